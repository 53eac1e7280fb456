#include "corvex/engine/report_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "corvex/engine/data_paths.h"
#include "engine_texts.h"

namespace corvex {

namespace {

enum class LineKind { Empty, Error, NoMail, Paused, Count, Info, BlockStart, CacheName, Subject };

LineKind Classify(std::string_view line) {
    if (line.empty()) return LineKind::Empty;
    const std::string_view head = line.substr(0, 5);
    if (head == "[ERR]") return LineKind::Error;
    if (head == "[ZRO]") return LineKind::NoMail;
    if (head == "[OFF]") return LineKind::Paused;
    if (head == "[CNT]") return LineKind::Count;
    if (head == "[INF]") return LineKind::Info;
    if (line.substr(0, 2) == "CF") return LineKind::CacheName;
    if (line.substr(0, 2) == "SB") return LineKind::Subject;
    return LineKind::BlockStart;
}

// The ninth character of a block's first line; a line too short or without a digit there reads 0.
constexpr std::size_t kNewFlagPos = 8;

int NewFlagOf(std::string_view first_line) {
    if (first_line.size() <= kNewFlagPos) return 0;
    const char c = first_line[kNewFlagPos];
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

// The text after a two-letter key and its blank ("CF name" -> "name").
std::string_view ValueOf(std::string_view line) {
    return line.size() > 3 ? line.substr(3) : std::string_view();
}

bool WriteSingleLine(const std::string& work_dir, const std::string& line) {
    CrlfWriter out(JoinPath(work_dir, kReportFileName), CrlfWriter::Mode::Create);
    out.WriteLine(line);
    return out.Close();
}

} // namespace

bool ReportWriter::Open(const std::string& work_dir) {
    work_dir_ = work_dir;
    finished_ = false;
    error_ = 0;
    writer_ = std::make_unique<CrlfWriter>(JoinPath(work_dir, kReportTempName), CrlfWriter::Mode::Create);
    if (!writer_->is_open()) {
        error_ = writer_->error();
        writer_.reset();
    }
    return writer_ != nullptr;
}

void ReportWriter::Message(int number, int attachment, int new_flag, std::string_view from_name,
                           std::string_view cache_name, std::string_view subject) {
    if (!writer_) return;
    char head[32];
    std::snprintf(head, sizeof head, "[%3d] %1d %1d ", std::clamp(number, 0, kReportNumberMax),
                  attachment ? 1 : 0, std::clamp(new_flag, 0, 9));
    writer_->WriteLine(head + OneLine(from_name));
    writer_->WriteLine("CF " + OneLine(cache_name));
    writer_->WriteLine("SB " + OneLine(subject));
}

void ReportWriter::Error(std::string_view text) {
    if (writer_) writer_->WriteLine("[ERR] " + OneLine(text));
}

void ReportWriter::NoMail() {
    if (writer_) writer_->WriteLine(std::string("[ZRO] ") + texts::kReportNoMailText);
}

void ReportWriter::EndOfMessages() {
    if (writer_) writer_->WriteLine("");
}

void ReportWriter::Trailer(int listed, int stat_count, long long stat_size, int result, int remaining,
                           bool kept_spam) {
    if (!writer_) return;
    writer_->WriteLine("[CNT] " + std::to_string(listed));
    if (kept_spam) {
        writer_->WriteLine("[INF] -1 -1 0 0");
        return;
    }
    writer_->WriteLine("[INF] " + std::to_string(stat_count) + " " + std::to_string(stat_size) + " " +
                       std::to_string(result) + " " + std::to_string(remaining));
}

bool ReportWriter::Finish() {
    if (!writer_) return finished_;
    finished_ = writer_->Close();
    if (!finished_) error_ = writer_->error();
    writer_.reset();
    return finished_;
}

bool ReportWriter::Commit() {
    if (writer_ && !Finish()) return false;
    if (!finished_) return false;
    finished_ = false;
    if (ReplaceFile(JoinPath(work_dir_, kReportTempName), JoinPath(work_dir_, kReportFileName))) return true;
    error_ = errno;
    return false;
}

bool ReportWriter::Close() {
    return Finish() && Commit();
}

void ReportWriter::Discard() {
    writer_.reset();
    finished_ = false;
    if (!work_dir_.empty()) RemoveFile(JoinPath(work_dir_, kReportTempName));
}

bool WriteErrorReport(const std::string& work_dir, std::string_view error_text) {
    return WriteSingleLine(work_dir, "[ERR] " + OneLine(error_text));
}

bool WritePausedReport(const std::string& work_dir) {
    return WriteSingleLine(work_dir, std::string("[OFF] ") + texts::kReportPausedText);
}

bool ClearNewMarks(const std::string& work_dir) {
    const std::string report = JoinPath(work_dir, kReportFileName);
    const std::string temp = JoinPath(work_dir, kReportTempName);
    CrlfReader in(report);
    if (!in.is_open()) return false;
    CrlfWriter out(temp, CrlfWriter::Mode::Create);
    if (!out.is_open()) return false;
    std::string line;
    while (in.ReadLine(line)) {
        if (Classify(line) == LineKind::BlockStart && line.size() > kNewFlagPos) {
            char& flag = line[kNewFlagPos];
            // Only a digit is a flag; anything else there is left as it is.
            if (flag >= '0' && flag <= '9' && flag != '2') flag = '0';
        }
        out.WriteLine(line);
    }
    in.Close();
    if (!out.Close()) {
        RemoveFile(temp);
        return false;
    }
    return ReplaceFile(temp, report);
}

ReportEntry ReadReportEntry(const std::string& work_dir, int entry) {
    ReportEntry result;
    CrlfReader in(JoinPath(work_dir, kReportFileName));
    if (!in.is_open()) return result;
    std::string line;
    int block = -1; // index of the block being read
    int flag = 0;
    while (in.ReadLine(line)) {
        switch (Classify(line)) {
        case LineKind::Error:
        case LineKind::NoMail:
        case LineKind::Paused:
            result.value = -2;
            return result;
        case LineKind::Count:
            if (entry < 0) {
                int n = 0;
                const std::vector<std::string_view> f = SplitFields(std::string_view(line).substr(5));
                result.value = (!f.empty() && ParseDecimal(f[0], n)) ? n : 0;
                return result;
            }
            break;
        case LineKind::BlockStart:
            ++block;
            if (entry >= 0 && block > entry) return result; // the wanted block had no "CF" line
            flag = NewFlagOf(line);
            break;
        case LineKind::CacheName:
            if (entry >= 0 && block == entry) {
                result.value = flag;
                result.cache_path = CacheFilePath(work_dir, ValueOf(line));
                return result;
            }
            break;
        default:
            break;
        }
    }
    return result;
}

PreviousValues ReadPreviousValues(const std::string& work_dir) {
    PreviousValues prev;
    CrlfReader in(JoinPath(work_dir, kReportFileName));
    if (!in.is_open()) return prev;
    std::string line;
    bool cache_missing = false;
    bool failed = false;
    int count = -1, result = 0, remaining = 0;
    long long size = -1;
    while (in.ReadLine(line)) {
        const LineKind kind = Classify(line);
        if (kind == LineKind::Error) {
            failed = true;
        } else if (kind == LineKind::CacheName) {
            if (!cache_missing && !FileExists(CacheFilePath(work_dir, ValueOf(line)))) cache_missing = true;
        } else if (kind == LineKind::Info && !prev.has_info) {
            const std::vector<std::string_view> f = SplitFields(std::string_view(line).substr(5));
            if (f.size() >= 4 && ParseDecimal(f[0], count) && ParseDecimal(f[1], size) &&
                ParseDecimal(f[2], result) && ParseDecimal(f[3], remaining))
                prev.has_info = true;
        }
    }
    if (!prev.has_info) return prev;
    prev.remaining = remaining;
    // A pass that failed part-way did not visit every message: its count and size must not
    // make the next check take the mailbox for unchanged.
    if (cache_missing || failed) return prev;
    prev.count = count;
    prev.size = size;
    prev.result = result;
    return prev;
}

} // namespace corvex
