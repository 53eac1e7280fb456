// Bounded output for the charset converters: clears the caller's whole buffer, never writes
// past it, keeps room for the terminating NUL and cuts the result at the first piece (a byte, a
// double-byte pair, an escape) that does not fit, so a pair is never split.
#ifndef DORVIK_CHARSET_OUT_H
#define DORVIK_CHARSET_OUT_H

#include <cstring>

namespace dorvik {

class CappedOut {
  public:
    CappedOut(char* out, int cap)
        : out_(out), limit_(cap > 0 ? static_cast<size_t>(cap) - 1 : 0), usable_(cap > 0 && out != nullptr),
          cut_(!usable_) {
        if (usable_) std::memset(out, 0, static_cast<size_t>(cap));
    }

    // Room for `n` more bytes before the terminator (and nothing cut yet)?
    bool room(size_t n) const { return !cut_ && pos_ + n <= limit_; }

    // Appends `n` bytes as one piece; false (and the output is cut from here on) when they do
    // not fit.
    bool put(const unsigned char* bytes, size_t n) {
        if (!room(n)) {
            cut_ = true;
            return false;
        }
        std::memcpy(out_ + pos_, bytes, n);
        pos_ += n;
        return true;
    }
    bool put(unsigned char b) { return put(&b, 1); }
    bool put(unsigned char a, unsigned char b) {
        const unsigned char pair[2] = {a, b};
        return put(pair, 2);
    }

    bool cut() const { return cut_; }

    // Terminates the output (a no-op for a zero capacity).
    void finish() {
        if (usable_) out_[pos_ < limit_ ? pos_ : limit_] = '\0';
    }

  private:
    char* out_;
    size_t limit_;
    bool usable_;
    bool cut_;
    size_t pos_ = 0;
};

} // namespace dorvik

#endif
