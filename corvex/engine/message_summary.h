// The per-message summary that a header scan produces and the check run, the header
// cache, the spam step and the filters read. All texts are Shift_JIS bytes.
#pragma once

#include <string>
#include <vector>

namespace corvex {

// Bounds of the summary's texts (bytes, without the terminator); longer text is cut.
inline constexpr std::size_t kAddressMax = 191;    // a To or Cc entry's address and name
inline constexpr std::size_t kMaxRecipients = 100; // entries per To or Cc list
inline constexpr std::size_t kFromMax = 511;       // From address and From name
inline constexpr std::size_t kSubjectMax = 511;    // subject for display
inline constexpr std::size_t kMatchSubjectMax = 255;
inline constexpr std::size_t kCacheSubjectMax = 1535;
inline constexpr std::size_t kMailerMax = 255;

struct Recipient {
    std::string raw;     // the raw piece of the header line (the first one starts with the field name)
    std::string address; // at most kAddressMax
    std::string name;    // display name, at most kAddressMax
};

struct MessageSummary {
    std::string key;              // message key: blanks removed, "=" replaced by "_"
    bool synthesised_key = false; // key built from From and Subject
    std::string send_date;        // display text of the Date line, or "不明"
    std::string received_date;    // display text of the first Received date, or "不明"
    std::string key_suffix;       // first 36 characters of the Received date part, or "X"
    std::vector<Recipient> to;
    std::vector<Recipient> cc;
    std::string from_address;  // "不明" when unusable
    std::string from_name;     // the address when the header has no name
    std::string from_display;  // "%s<%s>" of name and address, or the address alone
    std::string mailer;        // or "不明"
    std::string subject;       // display form, or "件名(Subject)がありません。"
    std::string match_subject; // for spam and filter matching, or "記述無し"
    std::string cache_subject; // for the header cache, or "記述無し"
    int attachment = 0;        // 1 = "有", 0 = "無"
    int html = 0;              // 1 = HTML mail, 0 = text mail
    long bytes_read = 0;       // reply bytes after the first line
};

} // namespace corvex
