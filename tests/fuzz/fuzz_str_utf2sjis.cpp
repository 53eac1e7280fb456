// UTF-8 and UTF-7 to Shift_JIS (StrUTF2SJIS) on any text, with the UTF-7 pending buffer
// of DORVIK_PENDING_CAP bytes.
// Input: one byte picking the kind (odd: UTF-7) and one the output capacity, then the text.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const int kind = (in.byte() & 1) ? 7 : 8;
    const int cap = fuzz::pick_cap(in.byte(), DORVIK_LINE_CAP);
    const fuzz::Buffer text(in.rest());
    const int len = static_cast<int>(std::strlen(text.data())) + 1;

    fuzz::Buffer out(cap, 'x');
    fuzz::Buffer pending(DORVIK_PENDING_CAP, 'p');
    pending.data()[0] = '\0';
    StrUTF2SJIS(text.data(), len, out.data(), out.cap(), kind, pending.data());
    fuzz::require_terminated(out, "StrUTF2SJIS output");
    fuzz::require_terminated(text, "StrUTF2SJIS text rewritten");
    if (kind == 7) fuzz::require_terminated(pending, "StrUTF2SJIS pending");
    return 0;
}
