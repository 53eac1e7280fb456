#include "report_view.h"

#include <string_view>

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "platform/files.h"

namespace corvex_check {

namespace {

constexpr char kSpamLogName[] = "SpamDelLog.csv";

std::string After(std::string_view line, std::size_t pos) {
    return pos < line.size() ? std::string(line.substr(pos)) : std::string();
}

int Digit(std::string_view line, std::size_t pos) {
    return pos < line.size() && line[pos] >= '0' && line[pos] <= '9' ? line[pos] - '0' : 0;
}

// "[%3d] a n name" -> the number between the brackets.
int BlockNumber(std::string_view line) {
    int n = 0;
    for (std::size_t i = 1; i < line.size() && line[i] != ']'; ++i)
        if (line[i] >= '0' && line[i] <= '9') n = n * 10 + (line[i] - '0');
    return n;
}

} // namespace

AccountReport ReadAccountReport(const std::string& work_dir) {
    AccountReport report;
    corvex::CrlfReader in(corvex::WorkFilePath(work_dir, corvex::kReportFileName));
    if (!in.is_open()) return report;
    report.readable = true;
    std::string line;
    ReportMessage* block = nullptr;
    while (in.ReadLine(line)) {
        const std::string_view v(line);
        const std::string_view tag = v.substr(0, 5);
        if (tag == "[ERR]") {
            report.errors.push_back(After(v, 6));
            block = nullptr;
        } else if (tag == "[OFF]") {
            report.paused = true;
        } else if (tag == "[ZRO]" || tag == "[CNT]" || tag == "[INF]" || v.empty()) {
            block = nullptr;
        } else if (v.substr(0, 3) == "CF " && block) {
            block->cache_name = After(v, 3);
        } else if (v.substr(0, 3) == "SB " && block) {
            block->subject = After(v, 3);
            block = nullptr; // a block ends with its subject
        } else if (v.substr(0, 1) == "[") {
            ReportMessage m;
            m.number = BlockNumber(v);
            m.attachment = Digit(v, 6);
            m.new_flag = Digit(v, 8);
            m.from_name = After(v, 10);
            report.messages.push_back(std::move(m));
            block = &report.messages.back();
        }
    }
    return report;
}

CacheDetails ReadCacheDetails(const std::string& work_dir, const std::string& cache_name) {
    CacheDetails d;
    if (cache_name.empty()) return d;
    corvex::CrlfReader in(corvex::CacheFilePath(work_dir, cache_name));
    if (!in.is_open()) return d;
    d.found = true;
    std::string line;
    while (in.ReadLine(line)) {
        const std::string_view v(line);
        if (v.substr(0, 13) == "---HEAD ST---") break;
        const std::string_view key = v.substr(0, 3);
        if (key == "FR ")
            d.from = After(v, 3);
        else if (key == "SD ")
            d.send_date = After(v, 3);
        else if (key == "RD ")
            d.received_date = After(v, 3);
        else if (key == "SZ ")
            d.size_text = After(v, 3);
        else if (key == "TP ")
            d.html = Digit(v, 3);
        else if (key == "AT ")
            d.attachment = Digit(v, 3);
    }
    return d;
}

std::uint64_t SpamLogSize(const std::string& data_dir) {
    std::string bytes;
    const std::string path = corvex::JoinPath(data_dir, kSpamLogName);
    if (!platform::file_exists(path) || !platform::read_file(path, bytes)) return 0;
    return bytes.size();
}

std::vector<std::string> SpamLogRecordsSince(const std::string& data_dir, std::uint64_t offset) {
    std::vector<std::string> records;
    std::string bytes;
    const std::string path = corvex::JoinPath(data_dir, kSpamLogName);
    if (!platform::file_exists(path) || !platform::read_file(path, bytes) || bytes.size() <= offset)
        return records;
    std::string_view rest(bytes);
    rest.remove_prefix(static_cast<std::size_t>(offset));
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // The header line, when this run created the log.
        if (!line.empty() && line.find('"') != std::string_view::npos) records.emplace_back(line);
    }
    return records;
}

std::vector<std::string> SplitSpamLogRecord(const std::string& record) {
    std::vector<std::string> fields;
    const std::string_view r(record);
    std::size_t i = 0;
    auto skip_blanks = [&] {
        while (i < r.size() && r[i] == ' ')
            ++i;
    };
    // After a closing quote only blanks may stand before the comma or the end.
    auto closes_at = [&](std::size_t quote) {
        std::size_t j = quote + 1;
        while (j < r.size() && r[j] == ' ')
            ++j;
        return j == r.size() || r[j] == ',';
    };
    for (;;) {
        skip_blanks();
        std::string field;
        if (i < r.size() && r[i] == '"') {
            // A quoted value: "" is one quote. A lone quote that does not close the value (as an
            // older log wrote them, unescaped) is kept as it is.
            for (++i; i < r.size(); ++i) {
                if (r[i] != '"') {
                    field += r[i];
                } else if (i + 1 < r.size() && r[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else if (closes_at(i)) {
                    ++i;
                    break;
                } else {
                    field += '"';
                }
            }
            skip_blanks();
        } else {
            const std::size_t comma = r.find(',', i);
            field = std::string(
                r.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i));
            i = comma == std::string_view::npos ? r.size() : comma;
            while (!field.empty() && field.back() == ' ')
                field.pop_back();
        }
        fields.push_back(std::move(field));
        if (i >= r.size()) return fields;
        ++i; // the comma
    }
}

} // namespace corvex_check
