// What a check left for one account, read back for printing: the report index.tmp of the
// account's work directory, the cache files it names, and the lines added to SpamDelLog.csv.
// All texts are Shift_JIS.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvex_check {

struct ReportMessage {
    int number = 0; // listed number, from 1
    int attachment = 0;
    int new_flag = 0; // kNewFlagSeen, kNewFlagNew or kNewFlagSpamKept
    std::string from_name;
    std::string cache_name;
    std::string subject; // display form
};

struct AccountReport {
    bool readable = false;
    bool paused = false;             // the "[OFF]" line of a paused account
    std::vector<std::string> errors; // texts of the "[ERR]" lines
    std::vector<ReportMessage> messages;
};

AccountReport ReadAccountReport(const std::string& work_dir);

// The info block of a message's cache file.
struct CacheDetails {
    bool found = false;
    std::string from;          // "FR": name<address>, or the address
    std::string send_date;     // "SD"
    std::string received_date; // "RD"
    std::string size_text;     // "SZ"
    int html = 0;              // "TP"
    int attachment = 0;        // "AT"
};

CacheDetails ReadCacheDetails(const std::string& work_dir, const std::string& cache_name);

// The spam deletion log: its size now, and the records written after that size.
std::uint64_t SpamLogSize(const std::string& data_dir);
std::vector<std::string> SpamLogRecordsSince(const std::string& data_dir, std::uint64_t offset);

// The fields of one log record (date, recipient, sender, subject, mailer, attachment, type,
// send and receive date) as CSV: a value in quotes may hold commas and doubled quotes; blanks
// around a value are dropped.
std::vector<std::string> SplitSpamLogRecord(const std::string& record);

} // namespace corvex_check
