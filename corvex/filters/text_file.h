// Small file and text helpers of the filters' list files (Shift_JIS, CR LF on disk), on top
// of the engine's line files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/sjis_bytes.h"

namespace corvex::filefmt {

// Every line of the file without its line end (CR before LF dropped; a last line without a
// line end counts). False when the file cannot be opened.
bool ReadLines(const std::string& path, std::vector<std::string>& lines);

// Creates or truncates the file and writes every line followed by CR LF.
bool WriteLines(const std::string& path, const std::vector<std::string>& lines);

// Appends lines with CR LF, creating the file when missing; a file whose last line has no
// line end gets one first, so the new line never joins it.
bool AppendLines(const std::string& path, const std::vector<std::string>& lines);
bool AppendLine(const std::string& path, std::string_view line);

// Moves a work copy over its target by remove-and-rename. Nothing happens (false) when the
// work copy does not exist, so a missing copy never costs the target its contents.
bool ReplaceWithWorkCopy(const std::string& work, const std::string& target);

// Shift_JIS lead byte of a double-byte character.
inline bool IsSjisLead(unsigned char c) {
    return dorvik::bytes::IsLeadByte(c);
}

// Lower-cases the ASCII letters A-Z in place, leaving the second bytes of double-byte
// characters alone.
void LowerAscii(std::string& text);

// The text cut to at most max bytes, never inside a double-byte character.
std::string CutText(std::string_view text, std::size_t max);

// Reads the fields of one line the way the C library's scanf reads "%s" and "%d": blanks
// (any white space) separate fields; a number is an optional sign and at least one digit and
// ends at the first other character. The line ends at its first NUL byte.
class FieldScanner {
  public:
    explicit FieldScanner(std::string_view line);
    bool Word(std::string& out);
    bool Number(int& out);

  private:
    void SkipSpace();
    std::string_view rest_;
};

} // namespace corvex::filefmt
