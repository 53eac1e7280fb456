// Line files of the data directory: Shift_JIS text with CR LF on disk on every platform.
// Readers drop the CR in front of each LF, as Windows text mode does, so both builds read
// the same bytes the same way; writers put "\r\n" after every line themselves.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

class CrlfReader {
  public:
    explicit CrlfReader(const std::string& path);
    ~CrlfReader();
    CrlfReader(const CrlfReader&) = delete;
    CrlfReader& operator=(const CrlfReader&) = delete;

    bool is_open() const { return file_ != nullptr; }
    // The next line without its line end; false at the end of the file. A last line
    // without a line feed is delivered too, and last_line_complete() is then false.
    bool ReadLine(std::string& line);
    bool last_line_complete() const { return complete_; }
    // Windows cannot delete or replace a file that is still open.
    void Close();

  private:
    bool Fill();

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool complete_ = true;
};

class CrlfWriter {
  public:
    enum class Mode {
        Create, // a new file (an old one is overwritten)
        Append, // appended to; a file whose last line lacks its line end gets one first
    };
    CrlfWriter(const std::string& path, Mode mode);
    ~CrlfWriter();
    CrlfWriter(const CrlfWriter&) = delete;
    CrlfWriter& operator=(const CrlfWriter&) = delete;

    bool is_open() const { return file_ != nullptr; }
    // Writes the bytes of text and "\r\n".
    void WriteLine(std::string_view text);
    // Bytes as they are (lines that already end in CR LF).
    void WriteRaw(std::string_view bytes);
    // True when the file was open and every write reached it (the buffered rest included).
    // Otherwise errno holds the cause of the first failure, as error() does.
    bool Close();
    // The errno of the first failure (the open, a write or the close); 0 while there is none.
    int error() const { return error_; }

  private:
    void Failed();

    std::FILE* file_ = nullptr;
    bool ok_ = false;
    int error_ = 0;
};

// Whether a file can be opened for reading.
bool FileExists(const std::string& path);
// Deletes a file; true when it is gone afterwards (a missing file counts as gone). errno is
// left as it was, so a caller cleaning up after a failure still reports that failure's cause.
bool RemoveFile(const std::string& path);
// The temporary copy takes the target's name. Where rename replaces a file in one step (POSIX)
// the target is never missing; elsewhere the target is deleted first (remove-and-rename).
// False with errno set when the copy could not take the name.
bool ReplaceFile(const std::string& temp_path, const std::string& target_path);
// A text for one line of a file: CR and LF become blanks, so a field never splits a line.
std::string OneLine(std::string_view text);
// Splits at the blanks of C's isspace (blank, tab, LF, VT, FF, CR), never at Shift_JIS bytes.
bool IsFieldSpace(char c);
std::vector<std::string_view> SplitFields(std::string_view line);
// A whole field as a decimal number with an optional sign; false for anything else.
bool ParseDecimal(std::string_view field, long long& value);
bool ParseDecimal(std::string_view field, int& value);

} // namespace corvex
