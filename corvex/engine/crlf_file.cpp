#include "corvex/engine/crlf_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace corvex {

namespace {
constexpr std::size_t kReadChunk = 16 * 1024;
}

CrlfReader::CrlfReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (!file_) return;
    // The reader buffers itself; the stream's own buffer would only copy twice.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    buffer_.reset(new char[kReadChunk]);
}

CrlfReader::~CrlfReader() {
    Close();
}

void CrlfReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    pos_ = len_ = 0;
}

bool CrlfReader::Fill() {
    pos_ = 0;
    len_ = std::fread(buffer_.get(), 1, kReadChunk, file_);
    return len_ > 0;
}

bool CrlfReader::ReadLine(std::string& line) {
    line.clear();
    if (!file_) return false;
    bool any = false;
    for (;;) {
        if (pos_ == len_ && !Fill()) {
            // End of file: a pending partial line is the last line.
            if (any) complete_ = false;
            return any;
        }
        any = true;
        const char* start = buffer_.get() + pos_;
        const void* lf = std::memchr(start, '\n', len_ - pos_);
        if (lf) {
            std::size_t n = static_cast<const char*>(lf) - start;
            line.append(start, n);
            pos_ += n + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            complete_ = true;
            return true;
        }
        line.append(start, len_ - pos_);
        pos_ = len_;
    }
}

CrlfWriter::CrlfWriter(const std::string& path, Mode mode) {
    errno = 0;
    if (mode == Mode::Create) {
        file_ = std::fopen(path.c_str(), "wb");
        ok_ = file_ != nullptr;
        if (!ok_) Failed();
        return;
    }
    file_ = std::fopen(path.c_str(), "a+b");
    ok_ = file_ != nullptr;
    if (!file_) {
        Failed();
        return;
    }
    // Appending to a file whose last line has no line end would glue two lines together.
    if (std::fseek(file_, -1, SEEK_END) == 0) {
        int last = std::fgetc(file_);
        std::fseek(file_, 0, SEEK_END);
        if (last != EOF && last != '\n' && std::fwrite("\r\n", 1, 2, file_) != 2) Failed();
    } else {
        std::fseek(file_, 0, SEEK_END);
    }
}

CrlfWriter::~CrlfWriter() {
    Close();
}

void CrlfWriter::Failed() {
    if (error_ == 0) error_ = errno != 0 ? errno : EIO;
    ok_ = false;
}

void CrlfWriter::WriteLine(std::string_view text) {
    if (!file_) return;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) Failed();
    if (std::fwrite("\r\n", 1, 2, file_) != 2) Failed();
}

void CrlfWriter::WriteRaw(std::string_view bytes) {
    if (!file_) return;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Failed();
}

bool CrlfWriter::Close() {
    if (!file_) {
        // Never opened (error_ holds the cause), or closed before.
        if (error_ != 0) errno = error_;
        return false;
    }
    // The buffered rest meets a full disk here at the latest.
    if (std::fflush(file_) != 0) Failed();
    if (std::fclose(file_) != 0) Failed();
    file_ = nullptr;
    if (!ok_) errno = error_;
    return ok_;
}

bool FileExists(const std::string& path) {
    const int saved = errno;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    const bool exists = f != nullptr;
    if (f) std::fclose(f);
    errno = saved;
    return exists;
}

bool RemoveFile(const std::string& path) {
    const int saved = errno;
    const bool gone = std::remove(path.c_str()) == 0 || !FileExists(path);
    errno = saved;
    return gone;
}

bool ReplaceFile(const std::string& temp_path, const std::string& target_path) {
    if (std::rename(temp_path.c_str(), target_path.c_str()) == 0) return true;
    RemoveFile(target_path);
    return std::rename(temp_path.c_str(), target_path.c_str()) == 0;
}

std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

bool IsFieldSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsFieldSpace(line[i]))
            ++i;
        std::size_t start = i;
        while (i < line.size() && !IsFieldSpace(line[i]))
            ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

bool ParseDecimal(std::string_view field, long long& value) {
    const std::string text(field);
    if (text.empty() || IsFieldSpace(text[0])) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || end != text.c_str() + text.size()) return false;
    value = v;
    return true;
}

bool ParseDecimal(std::string_view field, int& value) {
    long long v = 0;
    if (!ParseDecimal(field, v) || v < -2147483647LL - 1 || v > 2147483647LL) return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace corvex
