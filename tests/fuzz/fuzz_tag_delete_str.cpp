// HTML to text (TagDeleteStr) on any text, with an output exactly as large as the input
// and its NUL; GetLastPointer on the result.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Buffer in(data, size);
    fuzz::Buffer out(std::strlen(in.data()) + 1, 'x');
    TagDeleteStr(out.data(), in.data());
    fuzz::require_terminated(out, "TagDeleteStr output");
    if (GetLastPointer(out.data()) != reinterpret_cast<intptr_t>(out.data() + std::strlen(out.data())))
        fuzz::fail("GetLastPointer");
    return 0;
}
