// The Base64 line codecs: DecodeLineB64 on any text and capacity, EncodeLineB64 and
// DecodeLineB64 round trips of any bytes, and the storage encoding EncodeLine/DecodeLine.
// Input: one byte picking the capacity, then the text or bytes.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t selector = in.byte();
    const std::string bytes = in.rest();
    const fuzz::Buffer text(bytes);
    const int len = static_cast<int>(std::strlen(text.data())) + 1;

    // Any text, any capacity: -1 leaves the output as it was.
    fuzz::reset_base64();
    {
        const int cap = fuzz::pick_cap(selector, DORVIK_LINE_CAP);
        fuzz::Buffer out(cap, 'x');
        const int r = DecodeLineB64(text.data(), len, out.data(), out.cap());
        if (r == -1) {
            for (size_t i = 0; i < out.size(); ++i)
                if (out.data()[i] != 'x') fuzz::fail("DecodeLineB64 wrote before failing");
        } else {
            if (r < 0 || r > cap) fuzz::fail("DecodeLineB64 result");
            fuzz::require_terminated(out, "DecodeLineB64 output");
        }
    }

    // Round trip of the raw bytes.
    if (bytes.size() <= 1024) {
        size_t need = 4 * ((bytes.size() + 2) / 3) + 1;
        if (need < 5) need = 5; // the smallest capacity the encoder takes
        fuzz::Buffer encoded(need, 'x');
        if (EncodeLineB64(encoded.data(), static_cast<unsigned>(need), bytes.data(),
                          static_cast<int>(bytes.size())) != 0)
            fuzz::fail("EncodeLineB64 refused a fitting capacity");
        fuzz::Buffer small(need - 1, 'x');
        if (EncodeLineB64(small.data(), static_cast<unsigned>(need - 1), bytes.data(),
                          static_cast<int>(bytes.size())) != -1)
            fuzz::fail("EncodeLineB64 accepted a short capacity");
        fuzz::reset_base64();
        fuzz::Buffer decoded(DORVIK_LINE_CAP, 'x');
        const int r = DecodeLineB64(encoded.data(), static_cast<int>(std::strlen(encoded.data())) + 1,
                                    decoded.data(), decoded.cap());
        if (r != static_cast<int>(bytes.size())) fuzz::fail("Base64 round trip count");
        const size_t text_len = std::strlen(bytes.c_str());
        if (std::memcmp(decoded.data(), bytes.data(), text_len) != 0 || decoded.data()[text_len] != '\0')
            fuzz::fail("Base64 round trip bytes");
    }

    // Storage encoding with the capacity Corvex uses.
    fuzz::reset_base64();
    {
        fuzz::Buffer token(512, 'x');
        EncodeLine(token.data(), token.cap(), text.data(), len);
        fuzz::require_terminated(token, "EncodeLine output");
        fuzz::Buffer back(512, 'x');
        DecodeLine(token.data(), static_cast<int>(std::strlen(token.data())) + 1, back.data(), back.cap());
        fuzz::require_terminated(back, "DecodeLine output");
        fuzz::Buffer back2(512, 'x');
        DecodeLine(text.data(), len, back2.data(), back2.cap());
        fuzz::require_terminated(back2, "DecodeLine of any text");
    }
    fuzz::reset_base64();
    return 0;
}
