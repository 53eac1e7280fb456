#include "reader/line_reader.h"

#include "reader/text_util.h"

namespace dorvik {

LineReader::LineReader(std::FILE* stream, char* upper, int upper_cap)
    : stream_(stream), upper_(upper), upper_cap_(upper != nullptr && upper_cap > 0 ? upper_cap : 0) {
    if (upper_cap_ > 0) upper_[0] = '\0';
}

// Reads bytes up to the next LF. Bytes past kLineMax are dropped; a CR right before the LF
// is removed. Returns the stored length, or kEndOfStream when no byte was left.
int LineReader::ReadRaw() {
    int stored = 0;
    bool any = false;
    bool cut = false;
    for (;;) {
        int c = std::getc(stream_);
        if (c == EOF) break;
        any = true;
        if (c == '\n') {
            if (!cut && stored > 0 && raw_[stored - 1] == '\r') --stored;
            break;
        }
        if (stored < kLineMax) {
            raw_[stored++] = static_cast<char>(c);
        } else {
            cut = true;
        }
    }
    raw_[stored] = '\0';
    length_ = stored;
    return any ? stored : kEndOfStream;
}

int LineReader::Read(int mode) {
    std::fpos_t start;
    if (mode == kPeekLine || mode == kReadMarkLine) {
        if (std::fgetpos(stream_, &start) != 0) return kPositionFailed;
    }
    int result = ReadRaw();
    if (upper_cap_ > 0) CopyUpper(upper_, upper_cap_, raw_);
    if (mode == kPeekLine) {
        if (std::fsetpos(stream_, &start) != 0) return kPositionFailed;
    } else if (mode == kReadMarkLine) {
        mark_ = start;
        has_mark_ = true;
    }
    return result;
}

int LineReader::Unread() {
    if (!has_mark_) return kPositionFailed;
    has_mark_ = false;
    return std::fsetpos(stream_, &mark_) == 0 ? 0 : kPositionFailed;
}

} // namespace dorvik
