// The arithmetic charset conversions and the shift-state probes on any text:
// StrJIS2SJIS, StrSJIS2JIS, StrEUC2SJIS, sjtoeuc, CheckKIN, CheckKIN_Q.
// Input: one byte picking the output capacity, then the text.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const int cap = fuzz::pick_cap(in.byte(), DORVIK_LINE_CAP);
    const fuzz::Buffer text(in.rest());
    const int len = static_cast<int>(std::strlen(text.data())) + 1;

    {
        fuzz::Buffer out(cap, 'x');
        if (StrJIS2SJIS(text.data(), len, out.data(), out.cap()) != len) fuzz::fail("StrJIS2SJIS result");
        fuzz::require_terminated(out, "StrJIS2SJIS output");
    }
    {
        fuzz::Buffer out(cap, 'x');
        StrSJIS2JIS(text.data(), len, out.data(), out.cap());
        fuzz::require_terminated(out, "StrSJIS2JIS output");
    }
    {
        fuzz::Buffer out(cap, 'x');
        StrEUC2SJIS(text.data(), len, out.data(), out.cap());
        fuzz::require_terminated(out, "StrEUC2SJIS output");
    }
    {
        fuzz::Buffer out(cap, 'x');
        sjtoeuc(text.data(), out.data(), out.cap());
        fuzz::require_terminated(out, "sjtoeuc output");
    }
    const int kin = CheckKIN(text.data());
    if (kin < 0 || kin > 2) fuzz::fail("CheckKIN result");
    const int kin_q = CheckKIN_Q(text.data());
    if (kin_q < 0 || kin_q > 3) fuzz::fail("CheckKIN_Q result");
    return 0;
}
