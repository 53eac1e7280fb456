// The quoted-printable line decoders DecodeLineQ and DecodeLineQ_ML on any text and
// capacity (0 stands for the library's line size).
// Input: one byte picking the capacity, then the text.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t selector = in.byte();
    const fuzz::Buffer text(in.rest());
    const int len = static_cast<int>(std::strlen(text.data())) + 1;

    // Capacity 0 bounds the output at DORVIK_LINE_CAP bytes.
    const int cap = selector < 16 ? 0 : fuzz::pick_cap(selector, DORVIK_LINE_CAP);
    const size_t room = cap > 0 ? static_cast<size_t>(cap) : DORVIK_LINE_CAP;

    fuzz::Buffer joined(room, 'x');
    DecodeLineQ(text.data(), len, joined.data(), cap);
    fuzz::require_terminated(joined, "DecodeLineQ output");

    fuzz::Buffer first(room, 'x');
    DecodeLineQ_ML(text.data(), len, first.data(), cap);
    fuzz::require_terminated(first, "DecodeLineQ_ML output");

    // Decoding stops at the first soft break, so it gives a beginning of the joined text.
    if (cap == 0 && std::strlen(text.data()) < DORVIK_LINE_CAP / 2 &&
        std::strncmp(joined.data(), first.data(), std::strlen(first.data())) != 0)
        fuzz::fail("DecodeLineQ_ML is not a beginning of DecodeLineQ");
    return 0;
}
