#include "corvex/engine/cache_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "engine_texts.h"

namespace corvex {

namespace {

constexpr char kInfoStart[] = "---INFO ST---";
constexpr char kHeadStart[] = "---HEAD ST---";
constexpr std::size_t kNewFlagPos = 8; // "[XXX] a n name"

std::string StripTrailingBlanks(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ')
        --n;
    return std::string(text.substr(0, n));
}

// Three lines per recipient: name (the address when the name is empty), address, name.
void WriteRecipients(CrlfWriter& out, const std::vector<Recipient>& list, const char* tags[3],
                     bool strip_name) {
    if (list.empty()) {
        out.WriteLine(std::string(tags[0]) + " " + texts::kCacheNoRecipient);
        return;
    }
    const std::size_t n = std::min(list.size(), kMaxRecipients);
    for (std::size_t i = 0; i < n; ++i) {
        const Recipient& r = list[i];
        const std::string name = strip_name ? StripTrailingBlanks(r.name) : r.name;
        out.WriteLine(std::string(tags[0]) + " " + OneLine(name.empty() ? r.address : name));
        out.WriteLine(std::string(tags[1]) + " " + OneLine(r.address));
        out.WriteLine(std::string(tags[2]) + " " + OneLine(name));
    }
}

std::string_view Tail(std::string_view text, std::size_t pos) {
    return pos < text.size() ? text.substr(pos) : std::string_view();
}

// "TP 1" -> 1, as atoi reads it: no number reads 0.
int NumberAfterKey(std::string_view line) {
    const std::string rest(Tail(line, 2));
    const long v = std::strtol(rest.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(v, -2147483647L - 1, 2147483647L));
}

} // namespace

std::string MakeCacheKey(std::string_view message_key, std::string_view key_suffix) {
    std::string key;
    key.reserve(message_key.size() + 1 + key_suffix.size());
    for (char c : message_key)
        if (!IsControlByte(c)) key += c == ' ' || c == ':' ? '+' : c;
    key += '-';
    // A tab or another control character in the date stands where a blank would.
    for (char c : key_suffix)
        key += c == ' ' || c == ':' || IsControlByte(c) ? '+' : c;
    return key;
}

std::string FormatVisitTime(const std::tm& local_time) {
    char text[32];
    if (std::strftime(text, sizeof text, "%m%d%H%M%S", &local_time) == 0) return "0000000000";
    return text;
}

std::string MakeCacheName(int account, const std::tm& local_time, int visit) {
    return std::to_string(account) + "-" + FormatVisitTime(local_time) + "-" + std::to_string(visit);
}

std::string FreeCacheName(const std::string& work_dir, int account, std::string_view visit_time, int visit,
                          const std::function<bool(const std::string&)>& in_use) {
    const std::string prefix = std::to_string(account) + "-" + std::string(visit_time) + "-";
    for (int counter = std::max(visit, 1);; ++counter) {
        std::string name = prefix + std::to_string(counter);
        if (counter == std::numeric_limits<int>::max()) return name;
        if (!FileExists(CacheFilePath(work_dir, name)) && !(in_use && in_use(name))) return name;
    }
}

namespace {

void WriteInfoBlock(CrlfWriter& out, const MessageSummary& summary, const CacheMarks& marks) {
    const int attachment = summary.attachment ? 1 : 0;
    char head[32];
    std::snprintf(head, sizeof head, "[XXX] %1d %1d ", attachment, std::clamp(marks.new_flag, 0, 9));
    // The summary's From name is the address itself when the header gave no name: FR is then
    // the address alone.
    const bool no_name = summary.from_name.empty() || summary.from_name == summary.from_address;
    const std::string from =
        no_name ? summary.from_address : summary.from_name + "<" + summary.from_address + ">";

    out.WriteLine(kInfoStart);
    out.WriteLine(head + OneLine(summary.from_name));
    out.WriteLine((summary.synthesised_key ? "ID S-" : "ID ") + OneLine(summary.key));
    out.WriteLine("SD " + OneLine(summary.send_date));
    out.WriteLine("RD " + OneLine(summary.received_date));
    out.WriteLine("TP " + std::to_string(summary.html ? 1 : 0));
    out.WriteLine("AT " + std::to_string(attachment));
    out.WriteLine("FR " + OneLine(from));
    out.WriteLine("F1 " + OneLine(summary.from_address));
    out.WriteLine("F2 " + OneLine(summary.from_name));
    const char* to_tags[3] = {"TO", "T1", "T2"};
    WriteRecipients(out, summary.to, to_tags, false);
    const char* cc_tags[3] = {"CC", "C1", "C2"};
    WriteRecipients(out, summary.cc, cc_tags, true);
    out.WriteLine(marks.display_flag ? "FL NODISP" : "FL DISP");
    out.WriteLine("SZ " + OneLine(marks.size_text));
    out.WriteLine("ML " + OneLine(summary.mailer));
    out.WriteLine("NO " + OneLine(summary.key_suffix));
    out.WriteLine("SB " + OneLine(summary.cache_subject));
}

} // namespace

int WriteCacheFile(const std::string& cache_path, const std::string& work_file_path,
                   const MessageSummary& summary, const CacheMarks& marks) {
    CrlfWriter out(cache_path, CrlfWriter::Mode::Create);
    if (!out.is_open()) return kCacheFileError;
    WriteInfoBlock(out, summary, marks);
    int result = kCacheOk;
    CrlfReader work(work_file_path);
    if (work.is_open()) {
        std::string line;
        while (work.ReadLine(line))
            if (work.last_line_complete()) out.WriteLine(line);
    } else {
        result = kCacheNoWorkFile;
    }
    if (!out.Close()) return kCacheFileError;
    return result;
}

int WriteCacheFileFromText(const std::string& cache_path, std::string_view work_text,
                           const MessageSummary& summary, const CacheMarks& marks) {
    CrlfWriter out(cache_path, CrlfWriter::Mode::Create);
    if (!out.is_open()) return kCacheFileError;
    WriteInfoBlock(out, summary, marks);
    out.WriteRaw(work_text);
    return out.Close() ? kCacheOk : kCacheFileError;
}

int ReadCacheInfo(const std::string& cache_path, CacheFlags& flags) {
    flags = CacheFlags{};
    CrlfReader in(cache_path);
    if (!in.is_open()) return kCacheFileError;
    std::string line;
    while (in.ReadLine(line)) {
        const std::string_view v(line);
        if (v.substr(0, 13) == kHeadStart) break;
        if (v.substr(0, 5) == "[XXX]") {
            if (v.size() > kNewFlagPos && v[kNewFlagPos] >= '0' && v[kNewFlagPos] <= '9')
                flags.new_flag = v[kNewFlagPos] - '0';
        } else if (v.substr(0, 2) == "FL") {
            flags.display_flag = Tail(v, 3).substr(0, 4) == "DISP" ? 0 : 1;
        } else if (v.substr(0, 2) == "TP") {
            flags.html = NumberAfterKey(v);
        } else if (v.substr(0, 2) == "AT") {
            flags.attachment = NumberAfterKey(v);
        }
    }
    return flags.new_flag == kNewFlagSpamKept ? kCacheFileError : kCacheOk;
}

bool AdoptCacheFile(const std::string& work_dir, std::string_view written_name,
                    std::string_view indexed_name) {
    if (written_name == indexed_name) return true;
    return ReplaceFile(CacheFilePath(work_dir, written_name), CacheFilePath(work_dir, indexed_name));
}

} // namespace corvex
