#include "support/checkrun_support.h"

#include <fstream>

#include "corvex/engine/data_paths.h"
#include "corvex/filters/spam_list.h"
#include "cp932.h"
#include "filters_texts.h"

namespace fs = std::filesystem;

namespace checkrun_test {

std::string Utf8(std::string_view sjis) {
    return dorvik::cp932_to_utf8(sjis);
}

std::vector<std::string> ReadLines(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << path << ": last line without CR LF";
            lines.push_back(Utf8(bytes.substr(start)));
            break;
        }
        lines.push_back(Utf8(bytes.substr(start, end - start)));
        start = end + 2;
    }
    return lines;
}

AccountFiles::AccountFiles(std::string host, std::string user) {
    data_dir_ = corvex::DataDirectory(root_.str());
    work_dir_ = corvex::WorkDirectory(data_dir_, user, host);
    fs::create_directories(work_dir_); // the check driver's part
}

std::string AccountFiles::WorkFile(std::string_view name) const {
    return corvex::JoinPath(work_dir_, name);
}

std::string AccountFiles::CacheFile(std::string_view cache_name) const {
    return corvex::CacheFilePath(work_dir_, cache_name);
}

std::string AccountFiles::SeenList() const {
    const fs::path work(work_dir_);
    return corvex::JoinPath(corvex::IdDirectory(data_dir_),
                            work.filename().string() + corvex::kSeenListExtension);
}

std::string AccountFiles::DataFile(std::string_view name) const {
    return corvex::JoinPath(data_dir_, name);
}

std::vector<std::string> AccountFiles::Report() const {
    return ReadLines(WorkFile(corvex::kReportFileName));
}

std::vector<ReportBlock> AccountFiles::Blocks() const {
    std::vector<ReportBlock> blocks;
    for (const std::string& line : Report()) {
        if (line.empty()) continue;
        const std::string head = line.substr(0, 5);
        if (head == "[ERR]" || head == "[ZRO]" || head == "[CNT]" || head == "[INF]" || head == "[OFF]")
            continue;
        if (line.rfind("CF ", 0) == 0 && !blocks.empty()) {
            blocks.back().cache_name = line.substr(3);
        } else if (line.rfind("SB ", 0) == 0 && !blocks.empty()) {
            blocks.back().subject = line.substr(3);
        } else {
            ReportBlock b;
            EXPECT_GE(line.size(), 10u) << line;
            if (line.size() < 10) continue;
            b.number = std::atoi(line.substr(1, 3).c_str());
            b.attachment = line[6] - '0';
            b.new_flag = line[8] - '0';
            b.from = line.substr(10);
            blocks.push_back(b);
        }
    }
    return blocks;
}

std::vector<std::string> AccountFiles::WorkLines(std::string_view name) const {
    return ReadLines(WorkFile(name));
}

int AccountFiles::CacheFileCount() const {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(work_dir_))
        if (entry.path().extension() == ".emf") ++n;
    return n;
}

void WriteSpamPattern(const std::string& data_dir, const std::string& subject_pattern_utf8, int mode) {
    corvex::SpamPattern pattern;
    const corvex::SpamCondition off{corvex::kSpamKindIgnore, corvex::texts::kSpamNotCondition};
    pattern.recipient = pattern.sender = pattern.mailer = off;
    pattern.subject = {corvex::kSpamKindPattern, Sj(subject_pattern_utf8)};
    pattern.attachment = 2;
    pattern.type = 2;
    pattern.mode = mode;
    WriteBytes(corvex::SpamListPath(data_dir),
               corvex::FormatSpamLine(corvex::EncodeSpamPattern(pattern)) + "\r\n");
}

std::string TestMail(int n, const std::string& extra_headers, int body_lines) {
    const std::string id = std::to_string(n);
    std::string mail = "Received: from mx.example.com by pop.example.com; Mon, 1 Jan 2024 10:00:00 +0900\n"
                       "From: Sender " +
                       id + " <sender" + id +
                       "@example.com>\n"
                       "To: bob@example.com\n"
                       "Subject: message " +
                       id +
                       "\n"
                       "Message-ID: <msg" +
                       id +
                       "@example.com>\n"
                       "Date: Mon, 1 Jan 2024 09:59:00 +0900\n" +
                       extra_headers + "\n";
    for (int i = 1; i <= body_lines; ++i)
        mail += "body " + id + " line " + std::to_string(i) + "\n";
    return mail;
}

} // namespace checkrun_test
