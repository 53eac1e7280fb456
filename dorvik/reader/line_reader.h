// Line reader over a message stream: lines up to (not including) LF, at most kLineMax bytes,
// with a CR before the LF removed, as text-mode streams do on Windows.
#ifndef DORVIK_READER_LINE_READER_H
#define DORVIK_READER_LINE_READER_H

#include <cstdio>

namespace dorvik {

inline constexpr int kLineMax = 1023;         // bytes of a line; longer lines are cut
inline constexpr int kLineCap = kLineMax + 1; // with its NUL

// Read modes.
inline constexpr int kReadLine = 0;     // read one line
inline constexpr int kPeekLine = 1;     // read one line, then go back to where it started
inline constexpr int kReadMarkLine = 2; // read one line and remember where it started (see Unread)

// Read results below zero.
inline constexpr int kEndOfStream = -1;
inline constexpr int kPositionFailed = -2;

class LineReader {
  public:
    // `upper` receives an upper-cased copy (ASCII letters) of every line read, cut to
    // `upper_cap` bytes with its NUL; it may be null.
    LineReader(std::FILE* stream, char* upper, int upper_cap);

    // Reads a line in one of the modes above. Returns its length (0 for an empty line),
    // kEndOfStream when nothing is left, kPositionFailed when the stream position cannot be
    // queried or restored.
    int Read(int mode);

    // Goes back to the start of the line read last in kReadMarkLine mode. 0 or kPositionFailed.
    int Unread();

    const char* raw() const { return raw_; }
    int length() const { return length_; }
    std::FILE* stream() const { return stream_; }

  private:
    int ReadRaw();

    std::FILE* stream_;
    char* upper_;
    int upper_cap_;
    std::fpos_t mark_{};
    bool has_mark_ = false;
    int length_ = 0;
    char raw_[kLineCap] = {};
};

} // namespace dorvik

#endif
