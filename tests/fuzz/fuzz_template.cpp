// Template expansion (CheckFunction, then ConvTemplate) of any template against a cache
// file built from the input, with outputs exactly as large as the capacity passed; and the
// character counters StringLenW and StringPlus.
// Input: one byte picking the mode and the capacity, then NUL-separated pieces: the
// template, the info lines, the header lines, the body lines of the cache file.
#include "fuzz_support.h"

#include <unistd.h>

namespace {

// One cache file per process, rewritten for every input.
const char* cache_path() {
    static std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/pelmora-fuzz-XXXXXX";
        const int fd = mkstemp(p.data());
        if (fd < 0) fuzz::fail("no temporary file");
        close(fd);
        return p;
    }();
    return path.c_str();
}

void check_counters(const std::string& s) {
    const fuzz::Buffer text(s);
    const int chars = StringLenW(text.data());
    if (chars < 1 || chars > static_cast<int>(s.size()) + 1) fuzz::fail("StringLenW result");
    for (int count : {-1, 0, 1, 2, chars - 1, chars, chars + 5}) {
        const intptr_t p = StringPlus(text.data(), count);
        const auto* at = reinterpret_cast<const char*>(p);
        if (at < text.data() || at > text.data() + std::strlen(text.data())) fuzz::fail("StringPlus result");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t selector = in.byte();
    const int mode = selector % 3;
    const std::string tmpl = in.until('\0');
    const std::string info = in.until('\0');
    const std::string head = in.until('\0');
    const std::string body = in.rest();
    fuzz::reset_base64();

    const std::string file =
        "---INFO ST---\n" + info + "\n---HEAD ST---\n" + head + "\n\n---BODY ST---\n" + body;
    std::FILE* f = std::fopen(cache_path(), "wb");
    if (f == nullptr) fuzz::fail("cache file");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);

    // Corvex passes buffers as large as the cache file; some inputs get a small one.
    const int cap = (selector & 0x80) ? 1 + (selector & 0x7f) : static_cast<int>(file.size()) + 1;

    fuzz::Buffer expanded(cap, 'x');
    const fuzz::Buffer tmpl_text(tmpl);
    const int r = CheckFunction(cache_path(), tmpl_text.data(), expanded.data(), expanded.cap(), 0);
    if (r != 0 && r != -1) fuzz::fail("CheckFunction result");
    fuzz::require_terminated(expanded, "CheckFunction output");

    // ConvTemplate rewrites its template in place: give it an exactly-sized copy.
    const fuzz::Buffer work(expanded.data(), std::strlen(expanded.data()));
    fuzz::Buffer out(cap, 'y');
    ConvTemplate(cache_path(), work.data(), out.data(), out.cap(), mode);
    fuzz::require_terminated(out, "ConvTemplate output");

    // The raw template too, as a caller that skips the functions would pass it.
    const fuzz::Buffer raw(tmpl);
    fuzz::Buffer out2(cap, 'z');
    ConvTemplate(cache_path(), raw.data(), out2.data(), out2.cap(), mode);
    fuzz::require_terminated(out2, "ConvTemplate output of the raw template");

    check_counters(tmpl);
    fuzz::reset_base64();
    return 0;
}
