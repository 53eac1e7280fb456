// The header scan of a TOP reply and the message summary built from it.
// Input: one byte picking the machine's time-zone offset, then the reply lines separated by
// LF, each passed as the POP3 line reader returns it (at most 511 bytes, trailing CR and LF
// stripped). Checks the bounds the header cache and the lists rely on: the summary's texts
// stay within their limits, and the message key and the cache key are single fields (no
// blank, no control character) whatever a mail holds.
#include "fuzz_support.h"

#include <string_view>
#include <vector>

#include "corvex/engine/cache_file.h"
#include "corvex/engine/header_scan.h"

namespace {

void check_bound(const std::string& text, std::size_t max, const char* what) {
    if (text.size() > max) fuzz::fail(what);
}

// One field of the seen list and of the index: no blank, no control character, no "=".
void check_key(const std::string& key, const char* what, bool equals_allowed) {
    for (char c : key) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F || (!equals_allowed && c == '=')) fuzz::fail(what);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::reset_base64();
    fuzz::Input in(data, size);
    const int offset = (static_cast<int>(in.byte()) - 128) * 15; // -32 h .. +31.75 h

    corvex::HeaderScanner scan;
    std::size_t work_lines = 0;
    scan.Begin(1, [&work_lines](std::string_view) { ++work_lines; });
    std::size_t fed = 0;
    while (!in.empty()) {
        std::string line = in.until('\n');
        const long count = static_cast<long>(line.size() + 1);
        if (line.size() > 511) line.resize(511);
        while (line.size() > 2 && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (corvex::HeaderScanner::IsTerminator(line)) break;
        scan.Feed(line, count);
        ++fed;
    }
    const int attachment = scan.Finish();
    if (attachment != 0 && attachment != 1) fuzz::fail("Finish result");
    if (work_lines > fed + 2) fuzz::fail("work lines"); // and the two marker lines

    check_bound(scan.from_line(), corvex::kScanFromMax, "From buffer");
    check_bound(scan.date_line(), corvex::kScanDateMax, "Date buffer");
    check_bound(scan.received_line(), corvex::kScanReceivedMax, "Received buffer");
    check_bound(scan.subject_line(), corvex::kScanSubjectMax, "Subject buffer");
    check_bound(scan.mailer_line(), corvex::kScanMailerMax, "mailer buffer");
    check_bound(scan.uidl(), corvex::kScanUidlMax, "X-UIDL buffer");
    check_bound(scan.message_id(), corvex::kScanMessageIdMax, "Message-ID buffer");
    check_bound(scan.content_type(0), corvex::kScanContentTypeMax, "Content-Type buffer");
    check_bound(scan.content_type(1), corvex::kScanContentTypeMax, "second Content-Type buffer");

    const corvex::MessageKey key = corvex::BuildMessageKey(scan);
    check_key(key.key, "message key character", false);
    const std::string suffix = corvex::BuildKeySuffix(scan);
    check_bound(suffix, corvex::kKeySuffixMax, "key suffix");
    check_key(corvex::MakeCacheKey(key.key, suffix), "cache key character", true);

    const corvex::MessageSummary s = corvex::BuildSummary(scan, offset);
    if (s.key != key.key) fuzz::fail("summary key");
    if (s.to.size() > corvex::kMaxRecipients || s.cc.size() > corvex::kMaxRecipients)
        fuzz::fail("recipient count");
    for (const auto* list : {&s.to, &s.cc}) {
        for (const corvex::Recipient& r : *list) {
            check_bound(r.address, corvex::kAddressMax, "recipient address");
            check_bound(r.name, corvex::kAddressMax, "recipient name");
        }
    }
    check_bound(s.from_address, corvex::kFromMax, "From address");
    check_bound(s.from_name, corvex::kFromMax, "From name");
    check_bound(s.subject, corvex::kSubjectMax, "subject");
    check_bound(s.match_subject, corvex::kMatchSubjectMax, "match subject");
    check_bound(s.cache_subject, corvex::kCacheSubjectMax, "cache subject");
    check_bound(s.mailer, corvex::kMailerMax, "mailer");
    if (s.attachment != attachment || (s.html != 0 && s.html != 1)) fuzz::fail("summary flags");
    fuzz::reset_base64();
    return 0;
}
