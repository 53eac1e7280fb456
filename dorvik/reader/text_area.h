// Caller-owned output areas of the multipart walker.
#ifndef DORVIK_READER_TEXT_AREA_H
#define DORVIK_READER_TEXT_AREA_H

#include <cstddef>

namespace dorvik {

// The text area: decoded text parts laid out as consecutive NUL-terminated strings. The
// cursor is the start of the current string; appends go to its end, and Next moves the
// cursor past its NUL. With an end (one past the last usable byte), nothing is written at
// or beyond it: appends are cut and the cursor stops at the last byte.
class TextArea {
  public:
    // Continues the string found at `start` (NUL-terminated within the area).
    TextArea(char* start, char* end);

    char* cursor() const { return cursor_; }
    char* end() const { return end_; }

    // Is there at least one byte for the current string (its NUL)?
    bool usable() const { return end_ == nullptr || cursor_ < end_; }

    // Makes sure the current string is terminated (e.g. before its start is recorded).
    void Terminate();

    // Appends `n` bytes to the current string; false when they were cut.
    bool Append(const char* s, std::size_t n);
    bool Append(const char* s);

    // Moves the cursor past the current string's NUL; the new string is empty.
    void Next();

  private:
    std::size_t Room() const;

    char* cursor_;
    char* end_;
    std::size_t length_ = 0; // of the current string
};

// Appends `name` and ";" to the ";"-separated list at `list`, bounded by `end` (one past the
// last usable byte, or null). A name that does not fit whole is left out, so the list stays
// a sequence of complete names. Returns false then.
bool AppendListName(char* list, char* end, const char* name);

} // namespace dorvik

#endif
