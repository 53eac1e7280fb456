// Content headers of a part (CheckContentHD) on any block, with every output exactly as
// large as the interface gives it: work area and file name DORVIK_HEADER_CAP, boundary
// DORVIK_BOUNDARY_CAP, charset and encoding codes 2 bytes.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::reset_base64();
    const fuzz::Buffer header(data, size);
    fuzz::Buffer work(DORVIK_HEADER_CAP, 'w');
    fuzz::Buffer charset(2, '\0');
    charset.data()[0] = 'J';
    fuzz::Buffer encoding(2, '\0');
    fuzz::Buffer filename(DORVIK_HEADER_CAP, 'f');
    filename.data()[0] = '\0';
    fuzz::Buffer boundary(DORVIK_BOUNDARY_CAP, 'b');
    boundary.data()[0] = '\0';
    int kind = 0;

    const int r = CheckContentHD(header.data(), work.data(), charset.data(), encoding.data(), filename.data(),
                                 boundary.data(), &kind);
    if (r < 1 || r > 4) fuzz::fail("CheckContentHD result");
    fuzz::require_terminated(work, "CheckContentHD work");
    fuzz::require_terminated(charset, "CheckContentHD charset");
    fuzz::require_terminated(encoding, "CheckContentHD encoding");
    fuzz::require_terminated(filename, "CheckContentHD file name");
    fuzz::require_terminated(boundary, "CheckContentHD boundary");
    if (std::strchr("JSE87", charset.data()[0]) == nullptr || charset.data()[0] == '\0')
        fuzz::fail("CheckContentHD charset code");
    fuzz::reset_base64();
    return 0;
}
