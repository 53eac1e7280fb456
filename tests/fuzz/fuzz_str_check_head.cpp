// Header values with encoded words (StrCheck_Head) on any text, with an output of exactly
// DORVIK_LINE_CAP bytes and an exactly-sized value (which the call rewrites in place).
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::reset_base64();
    fuzz::Buffer value(data, size);
    fuzz::Buffer out(DORVIK_LINE_CAP, 'x');
    const int r = StrCheck_Head(value.data(), out.data());
    fuzz::require_terminated(out, "StrCheck_Head output");
    if (r != 0 && r != static_cast<int>(std::strlen(out.data())) + 1) fuzz::fail("StrCheck_Head result");
    fuzz::reset_base64();
    return 0;
}
