// One open iconv(3) descriptor that converts text line by line, reset between lines.
#ifndef PELMORA_BENCH_ICONV_LINE_H
#define PELMORA_BENCH_ICONV_LINE_H

#include <iconv.h>

#include <cstddef>
#include <string>

namespace bench {

class IconvLine {
  public:
    // Exits the process with a message when glibc lacks the conversion.
    IconvLine(const char* to, const char* from);
    ~IconvLine();
    IconvLine(const IconvLine&) = delete;
    IconvLine& operator=(const IconvLine&) = delete;

    // Converts `len` bytes into `out` (NUL-terminated, at most cap - 1 bytes of text).
    // Returns the output length, or -1 when the input has a byte sequence iconv rejects.
    long convert(const char* in, size_t len, char* out, size_t cap);

    // The whole of `in` converted, for setting up the corpus; exits on failure.
    std::string convert(const std::string& in);

  private:
    iconv_t cd_;
    std::string name_;
};

} // namespace bench

#endif
