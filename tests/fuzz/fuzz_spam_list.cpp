// The spam pattern list and the whitelist as the check run reads them: SpamList.999 and
// FriendList.dat made from the input, the pattern readers, and the spam match of a message
// whose fields also come from the input.
// Input: one byte of flags, then NUL-separated pieces: SpamList.999, FriendList.dat, the
// sender address, the sender name, the subject, the mail program, then the To addresses.
#include "fuzz_support.h"

#include <vector>

#include "corvex/engine/message_summary.h"
#include "corvex/filters/spam_list.h"
#include "corvex/filters/whitelist.h"

namespace {

void check_condition(const corvex::SpamCondition& c) {
    if (c.kind < -1 || c.kind > 9) fuzz::fail("condition kind");
    if (c.text.size() > corvex::kSpamConditionMax) fuzz::fail("condition length");
}

bool same(const corvex::SpamLine& a, const corvex::SpamLine& b) {
    return a.recipient == b.recipient && a.sender == b.sender && a.subject == b.subject &&
           a.mailer == b.mailer && a.attachment == b.attachment && a.type == b.type && a.mode == b.mode;
}

// An upper-case ASCII letter outside double-byte characters.
bool has_upper(const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))
            ++i;
        else if (c >= 'A' && c <= 'Z')
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::reset_base64();
    fuzz::Input in(data, size);
    const uint8_t flags = in.byte();
    const std::string spam_text = in.until('\0');
    const std::string friend_text = in.until('\0');
    const std::string dir = fuzz::temp_dir();
    fuzz::write_file(corvex::SpamListPath(dir), spam_text);
    if (flags & 1)
        fuzz::write_file(corvex::FriendListPath(dir), friend_text);
    else
        fuzz::remove_file(corvex::FriendListPath(dir));

    corvex::MessageSummary message;
    message.from_address = in.until('\0');
    message.from_name = in.until('\0');
    message.match_subject = in.until('\0');
    message.mailer = in.until('\0');
    message.attachment = (flags >> 1) & 1;
    message.html = (flags >> 2) & 1;
    while (!in.empty() && message.to.size() < corvex::kMaxRecipients) {
        corvex::Recipient r;
        r.address = in.until('\0');
        message.to.push_back(r);
    }

    // Each stored line up to the first that does not parse is written back by FormatSpamLine
    // to a line that parses to the same fields, and is found by its key.
    for (std::size_t start = 0; start < spam_text.size();) {
        std::size_t end = spam_text.find('\n', start);
        if (end == std::string::npos) end = spam_text.size();
        corvex::SpamLine line, again;
        if (!corvex::ParseSpamLine(std::string_view(spam_text).substr(start, end - start), line)) break;
        if (!corvex::ParseSpamLine(corvex::FormatSpamLine(line), again) || !same(line, again))
            fuzz::fail("spam line does not read back");
        if (!corvex::SpamPatternExists(dir, corvex::SpamLineKey(line)))
            fuzz::fail("pattern of the list not found");
        start = end + 1;
    }

    const std::size_t max = flags & 8 ? 3 : corvex::kSpamListMaxLines;
    const std::vector<corvex::SpamPattern> patterns = corvex::ReadSpamList(dir, max);
    if (patterns.size() > max) fuzz::fail("pattern count");
    for (const corvex::SpamPattern& p : patterns) {
        for (const auto* c : {&p.recipient, &p.sender, &p.subject, &p.mailer})
            check_condition(*c);
    }

    const std::vector<std::string> friends =
        corvex::ReadWhitelist(dir, flags & 16 ? 2 : corvex::kWhitelistMaxEntries);
    for (const std::string& f : friends) {
        if (f.empty() || f.find_first_of(" \t\r\n") != std::string::npos) fuzz::fail("whitelist entry");
    }

    const int r = corvex::MatchSpamPatterns(dir, message);
    if (r != corvex::kSpamNoMatch && r != corvex::kSpamDeleteAtOnce && r != corvex::kSpamDeleteAfterConfirm)
        fuzz::fail("MatchSpamPatterns result");
    if (has_upper(message.from_address)) fuzz::fail("sender address not lower-cased");
    fuzz::reset_base64();
    return 0;
}
