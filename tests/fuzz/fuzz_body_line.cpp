// Body lines: a sequence of lines through EncodeStr with the line state and the pending
// buffer carried from line to line, as the readers do, and each line alone through
// StrCheckSHR. Buffers have exactly the sizes of the interface: line and work area
// DORVIK_LINE_CAP, pending DORVIK_PENDING_CAP; StrCheckSHR gets an exactly-sized line.
// Input: one byte picking the charset, the encoding and whether lines carry CR LF (as the
// viewer passes them), then the lines separated by LF.
#include "fuzz_support.h"

namespace {

const char* const kCharsets[] = {"J", "S", "E", "8", "7", "X"};
const char* const kEncodings[] = {"B", "Q", "7", "", "X"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t selector = in.byte();
    const char* charset = kCharsets[(selector & 7) % 6];
    const char* encoding = kEncodings[((selector >> 3) & 7) % 5];
    const bool crlf = (selector & 0x80) != 0;
    fuzz::reset_base64();

    int state = 0;
    fuzz::Buffer pending(DORVIK_PENDING_CAP, 'p');
    pending.data()[0] = '\0';
    fuzz::Buffer alone_pending(DORVIK_PENDING_CAP, 'p');
    alone_pending.data()[0] = '\0';

    while (!in.empty()) {
        std::string raw = in.until('\n');
        if (crlf) raw += "\r\n";

        fuzz::Buffer line(DORVIK_LINE_CAP, 'l');
        const size_t n = raw.size() < DORVIK_LINE_CAP - 1 ? raw.size() : DORVIK_LINE_CAP - 1;
        std::memcpy(line.data(), raw.data(), n);
        line.data()[n] = '\0';
        fuzz::Buffer work(DORVIK_LINE_CAP, 'w');
        const int r = EncodeStr(line.data(), work.data(), &state, pending.data(), charset, encoding);
        if (r < 0) fuzz::fail("EncodeStr result");
        fuzz::require_terminated(line, "EncodeStr line");
        fuzz::require_terminated(work, "EncodeStr work");
        fuzz::require_terminated(pending, "EncodeStr pending");
        if (r == 0 && pending.data()[0] != '\0')
            fuzz::fail("EncodeStr kept pending text after a complete line");

        const fuzz::Buffer alone(raw);
        fuzz::Buffer out(DORVIK_LINE_CAP, 'o');
        StrCheckSHR(alone.data(), out.data(), encoding, charset, alone_pending.data());
        fuzz::require_terminated(out, "StrCheckSHR output");
        fuzz::require_terminated(alone_pending, "StrCheckSHR pending");
    }
    fuzz::reset_base64();
    return 0;
}
