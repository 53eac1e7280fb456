// Bounded output for the charset converters: never writes past the caller's capacity, keeps
// room for the terminating NUL and cuts the result at the first piece (a byte, a double-byte
// pair, an escape) that does not fit, so a pair is never split. finish() zero-fills the buffer
// from the end of the text up to the capacity, so every byte of it is written exactly once.
//
// Hot loops write through a Cursor: a raw pointer with the end of the room, checked once per
// piece, handed back when the loop is done.
#ifndef DORVIK_CHARSET_OUT_H
#define DORVIK_CHARSET_OUT_H

#include <cstddef>
#include <cstring>

namespace dorvik {

class CappedOut {
  public:
    CappedOut(char* out, int cap)
        : out_(reinterpret_cast<unsigned char*>(out)), limit_(cap > 0 ? static_cast<size_t>(cap) - 1 : 0),
          usable_(cap > 0 && out != nullptr), cut_(!usable_) {}

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

    // The write position and the end of the room for a hot loop (equal once cut). The loop
    // writes below `end` only and hands its position back with resume(), or with stop() when
    // a piece did not fit.
    struct Cursor {
        unsigned char* at;
        unsigned char* end;
        bool fits(size_t n) const { return static_cast<size_t>(end - at) >= n; }
    };
    Cursor cursor() {
        if (cut_) return {nullptr, nullptr};
        return {out_ + pos_, out_ + limit_};
    }
    void resume(const Cursor& c) {
        if (c.at) pos_ = static_cast<size_t>(c.at - out_);
    }
    void stop(const Cursor& c) {
        resume(c);
        cut_ = true;
    }

    // Terminates the output and zero-fills the rest of the buffer (a no-op for a zero
    // capacity). Every converter ends with this call.
    void finish() {
        if (usable_) std::memset(out_ + pos_, 0, limit_ + 1 - pos_);
    }

  private:
    unsigned char* out_;
    size_t limit_;
    bool usable_;
    bool cut_;
    size_t pos_ = 0;
};

} // namespace dorvik

#endif
