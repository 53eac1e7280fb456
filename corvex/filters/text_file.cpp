#include "corvex/filters/text_file.h"

#include <algorithm>
#include <climits>

#include "corvex/engine/crlf_file.h"

namespace corvex::filefmt {

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    CrlfReader reader(path);
    if (!reader.is_open()) return false;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(line);
    return true;
}

namespace {

bool Write(const std::string& path, CrlfWriter::Mode mode, const std::vector<std::string>& lines) {
    CrlfWriter writer(path, mode);
    if (!writer.is_open()) return false;
    for (const std::string& line : lines)
        writer.WriteLine(line);
    return writer.Close();
}

} // namespace

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    return Write(path, CrlfWriter::Mode::Create, lines);
}

bool AppendLines(const std::string& path, const std::vector<std::string>& lines) {
    return Write(path, CrlfWriter::Mode::Append, lines);
}

bool AppendLine(const std::string& path, std::string_view line) {
    return AppendLines(path, {std::string(line)});
}

bool ReplaceWithWorkCopy(const std::string& work, const std::string& target) {
    return FileExists(work) && ReplaceFile(work, target);
}

void LowerAscii(std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsSjisLead(c)) {
            ++i; // the second byte of the pair may look like a letter
        } else if (c >= 'A' && c <= 'Z') {
            text[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
}

std::string CutText(std::string_view text, std::size_t max) {
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t width = IsSjisLead(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > max) break;
        end += width;
    }
    return std::string(text.substr(0, std::min(end, text.size())));
}

FieldScanner::FieldScanner(std::string_view line) : rest_(line.substr(0, line.find('\0'))) {}

void FieldScanner::SkipSpace() {
    while (!rest_.empty() && IsFieldSpace(rest_.front()))
        rest_.remove_prefix(1);
}

bool FieldScanner::Word(std::string& out) {
    SkipSpace();
    std::size_t n = 0;
    while (n < rest_.size() && !IsFieldSpace(rest_[n]))
        ++n;
    if (n == 0) return false;
    out.assign(rest_.substr(0, n));
    rest_.remove_prefix(n);
    return true;
}

bool FieldScanner::Number(int& out) {
    SkipSpace();
    std::size_t n = 0;
    bool negative = false;
    if (n < rest_.size() && (rest_[n] == '+' || rest_[n] == '-')) negative = rest_[n++] == '-';
    const std::size_t digits = n;
    long long value = 0;
    while (n < rest_.size() && rest_[n] >= '0' && rest_[n] <= '9') {
        if (value <= INT_MAX) value = value * 10 + (rest_[n] - '0'); // saturates below
        ++n;
    }
    if (n == digits) return false;
    if (value > INT_MAX) value = INT_MAX;
    out = static_cast<int>(negative ? -value : value);
    rest_.remove_prefix(n);
    return true;
}

} // namespace corvex::filefmt
