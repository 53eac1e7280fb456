#include "reader/text_area.h"

#include <cstring>

#include "reader/text_util.h"

namespace dorvik {

TextArea::TextArea(char* start, char* end) : cursor_(start), end_(end) {
    if (end_ != nullptr && cursor_ >= end_) return;
    length_ = end_ == nullptr ? std::strlen(cursor_)
                              : BoundedLength(cursor_, static_cast<std::size_t>(end_ - cursor_ - 1));
    cursor_[length_] = '\0';
}

std::size_t TextArea::Room() const {
    if (end_ == nullptr) return static_cast<std::size_t>(-1) / 2;
    if (cursor_ >= end_) return 0;
    return static_cast<std::size_t>(end_ - cursor_) - 1 - length_;
}

void TextArea::Terminate() {
    if (usable()) cursor_[length_] = '\0';
}

bool TextArea::Append(const char* s, std::size_t n) {
    if (!usable()) return n == 0;
    std::size_t room = Room();
    BoundedString out(cursor_ + length_, room + 1);
    bool whole = out.Append(s, n);
    length_ += out.size();
    return whole;
}

bool TextArea::Append(const char* s) {
    return Append(s, std::strlen(s));
}

void TextArea::Next() {
    if (!usable()) return;
    char* next = cursor_ + length_ + 1;
    if (end_ != nullptr && next >= end_) next = end_ - 1;
    cursor_ = next;
    length_ = 0;
    cursor_[0] = '\0';
}

bool AppendListName(char* list, char* end, const char* name) {
    std::size_t used =
        end == nullptr ? std::strlen(list) : BoundedLength(list, static_cast<std::size_t>(end - list));
    std::size_t need = std::strlen(name) + 1;
    if (end != nullptr && used + need + 1 > static_cast<std::size_t>(end - list)) return false;
    std::memcpy(list + used, name, need - 1);
    list[used + need - 1] = ';';
    list[used + need] = '\0';
    return true;
}

} // namespace dorvik
