// The check report index.tmp. First any text as the report: the result-list readers, the
// previous values and the clearing of the new marks (which must change nothing but the new
// flags of blocks). Then a report written by ReportWriter from texts of the input, which
// the readers must read back as written.
// Input: one byte of flags, the report text up to the first NUL, then blocks of a flag byte
// and three NUL-ended texts (sender name, cache name, subject).
#include "fuzz_support.h"

#include <algorithm>
#include <vector>

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/engine/report_file.h"

namespace {

// A cache path names a file directly in the work folder, or is empty (no cache file).
void check_cache_path(const std::string& path, const std::string& dir) {
    if (path.empty()) return;
    if (path.rfind(dir, 0) != 0 || path.find_first_of("/\\", dir.size() + 1) != std::string::npos)
        fuzz::fail("cache path outside the work folder");
}

// The lines as the line files read them (LF ends a line, one CR before it is dropped).
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (end < text.size() && !line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

void check_cleared(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    if (before.size() != after.size()) fuzz::fail("ClearNewMarks changed the line count");
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::string& a = before[i];
        const std::string& b = after[i];
        if (a == b) continue;
        if (a.size() != b.size() || a.size() < 9 || b[8] != '0' || a[8] < '0' || a[8] > '9' || a[8] == '2' ||
            a.substr(0, 8) != b.substr(0, 8) || a.substr(9) != b.substr(9))
            fuzz::fail("ClearNewMarks changed more than a new flag");
    }
}

struct Block {
    int flag;
    std::string cache_name;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t flags = in.byte();
    const std::string report = in.until('\0');
    const std::string dir = fuzz::temp_dir("work");
    const std::string path = corvex::WorkFilePath(dir, corvex::kReportFileName);
    fuzz::write_file(path, report);
    if (flags & 1)
        fuzz::write_file(corvex::CacheFilePath(dir, "1-1211020304-1"), "x");
    else
        fuzz::remove_file(corvex::CacheFilePath(dir, "1-1211020304-1"));

    const int count = corvex::ReadReportEntry(dir, -1).value;
    if (count < -2) fuzz::fail("count entry");
    for (int n = 0; n < 4; ++n) {
        const corvex::ReportEntry e = corvex::ReadReportEntry(dir, n);
        if (e.value < -2 || e.value > 9) fuzz::fail("block entry value");
        check_cache_path(e.cache_path, dir);
    }
    const corvex::PreviousValues prev = corvex::ReadPreviousValues(dir);
    if (!prev.has_info && (prev.count != -1 || prev.size != -1 || prev.result != 0 || prev.remaining != 0))
        fuzz::fail("previous values without [INF]");
    if (!corvex::ClearNewMarks(dir)) fuzz::fail("ClearNewMarks failed");
    check_cleared(lines_of(report), lines_of(fuzz::read_file(path)));

    // Written, then read back.
    std::vector<Block> blocks;
    corvex::ReportWriter writer;
    if (!writer.Open(dir)) fuzz::fail("report not created");
    while (!in.empty() && blocks.size() < 8) {
        const uint8_t b = in.byte();
        const std::string from = in.until('\0');
        const std::string cache_name = in.until('\0');
        const std::string subject = in.until('\0');
        const int flag = b % 12 - 1; // -1 .. 10, clamped to 0 .. 9 when written
        writer.Message(static_cast<int>(blocks.size()) * 300 + 1, b & 0x80, flag, from, cache_name, subject);
        blocks.push_back({std::clamp(flag, 0, 9), cache_name});
    }
    if (blocks.empty()) writer.NoMail();
    writer.EndOfMessages();
    writer.Trailer(static_cast<int>(blocks.size()), 7, 4096, 1, 0, flags & 2);
    if (!writer.Close()) fuzz::fail("report not written");

    if (corvex::ReadReportEntry(dir, -1).value != (blocks.empty() ? -2 : static_cast<int>(blocks.size())))
        fuzz::fail("count read back");
    for (std::size_t n = 0; n < blocks.size(); ++n) {
        const corvex::ReportEntry e = corvex::ReadReportEntry(dir, static_cast<int>(n));
        if (e.value != blocks[n].flag) fuzz::fail("new flag read back");
        if (e.cache_path != corvex::CacheFilePath(dir, corvex::OneLine(blocks[n].cache_name)))
            fuzz::fail("cache name read back");
    }
    const corvex::PreviousValues written = corvex::ReadPreviousValues(dir);
    if (!written.has_info) fuzz::fail("[INF] read back");
    return 0;
}
