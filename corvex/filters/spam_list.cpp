#include "corvex/filters/spam_list.h"

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/filters/stored_text.h"
#include "corvex/filters/text_file.h"
#include "corvex/filters/whitelist.h"
#include "corvex/filters/wildcard.h"
#include "filters_texts.h"

namespace corvex {

namespace {

bool RecipientHolds(const SpamCondition& condition, std::string_view word, std::vector<Recipient>& to) {
    if (condition.kind == kSpamKindIgnore) return true;
    if (word == texts::kSpamNone) return condition.text == texts::kSpamNone;
    for (Recipient& recipient : to) {
        if (recipient.address == texts::kSpamNone) {
            if (WildcardMatch(texts::kSpamNone, condition.text)) return true;
            continue;
        }
        filefmt::LowerAscii(recipient.address);
        if (WildcardMatch(recipient.address, condition.text) || WildcardMatch(recipient.name, condition.text))
            return true;
    }
    return false;
}

bool SenderHolds(const SpamCondition& condition, const MessageSummary& message) {
    if (condition.kind == kSpamKindIgnore) return true;
    if (condition.kind == kSpamKindMissing) return message.from_address == texts::kSpamUnknown;
    return WildcardMatch(message.from_address, condition.text) ||
           WildcardMatch(message.from_name, condition.text);
}

bool TextHolds(const SpamCondition& condition, std::string_view text) {
    return condition.kind == kSpamKindIgnore || WildcardMatch(text, condition.text);
}

bool FlagHolds(int condition, int flag) {
    return condition == 2 || condition == flag;
}

bool PatternHolds(const SpamPattern& pattern, std::string_view word, MessageSummary& message) {
    return RecipientHolds(pattern.recipient, word, message.to) && SenderHolds(pattern.sender, message) &&
           TextHolds(pattern.subject, message.match_subject) && TextHolds(pattern.mailer, message.mailer) &&
           FlagHolds(pattern.attachment, message.attachment) && FlagHolds(pattern.type, message.html);
}

// The parsed lines of SpamList.999 up to the first that does not parse; false when missing.
bool ReadSpamLines(std::string_view data_dir, std::vector<SpamLine>& out) {
    std::vector<std::string> lines;
    if (!filefmt::ReadLines(SpamListPath(data_dir), lines)) return false;
    for (const std::string& text : lines) {
        SpamLine line;
        if (!ParseSpamLine(text, line)) break;
        out.push_back(std::move(line));
    }
    return true;
}

} // namespace

std::string SpamListPath(std::string_view data_dir) {
    return JoinPath(data_dir, "SpamList.999");
}
std::string SpamListWorkPath(std::string_view data_dir) {
    return JoinPath(data_dir, "SpamList.$$$");
}
std::string SpamAddPath(std::string_view data_dir) {
    return JoinPath(data_dir, "SpamList.ADD");
}

std::string EncodeSpamCondition(const SpamCondition& condition) {
    return EncodeStoredText(std::to_string(condition.kind) + ":" + condition.text);
}

SpamCondition DecodeSpamCondition(std::string_view token) {
    std::string text = DecodeStoredText(token);
    SpamCondition condition;
    condition.kind = (!text.empty() && text[0] >= '0' && text[0] <= '9') ? text[0] - '0' : -1;
    if (text.size() > 2)
        condition.text = filefmt::CutText(std::string_view(text).substr(2), kSpamConditionMax);
    return condition;
}

bool ParseSpamLine(std::string_view text, SpamLine& out) {
    filefmt::FieldScanner scan(text);
    SpamLine line;
    if (!scan.Word(line.recipient) || !scan.Word(line.sender) || !scan.Word(line.subject) ||
        !scan.Word(line.mailer) || !scan.Number(line.attachment))
        return false;
    if (scan.Number(line.type)) {
        if (!scan.Number(line.mode)) return false; // six fields
    } else {
        line.type = 2;
        line.mode = 1;
    }
    out = std::move(line);
    return true;
}

std::string SpamLineKey(const SpamLine& line) {
    return line.recipient + " " + line.sender + " " + line.subject + " " + line.mailer + " " +
           std::to_string(line.attachment) + " " + std::to_string(line.type);
}

std::string FormatSpamLine(const SpamLine& line) {
    return SpamLineKey(line) + " " + std::to_string(line.mode);
}

SpamLine EncodeSpamPattern(const SpamPattern& pattern) {
    SpamLine line;
    line.recipient = EncodeSpamCondition(pattern.recipient);
    line.sender = EncodeSpamCondition(pattern.sender);
    line.subject = EncodeSpamCondition(pattern.subject);
    line.mailer = EncodeSpamCondition(pattern.mailer);
    line.attachment = pattern.attachment;
    line.type = pattern.type;
    line.mode = pattern.mode;
    return line;
}

SpamPattern DecodeSpamLine(const SpamLine& line) {
    SpamPattern pattern;
    pattern.recipient = DecodeSpamCondition(line.recipient);
    pattern.sender = DecodeSpamCondition(line.sender);
    pattern.subject = DecodeSpamCondition(line.subject);
    pattern.mailer = DecodeSpamCondition(line.mailer);
    pattern.attachment = line.attachment;
    pattern.type = line.type;
    pattern.mode = line.mode;
    return pattern;
}

std::vector<SpamPattern> ReadSpamList(std::string_view data_dir, std::size_t max_lines) {
    std::vector<SpamLine> lines;
    ReadSpamLines(data_dir, lines);
    if (lines.size() > max_lines) lines.resize(max_lines);
    std::vector<SpamPattern> patterns;
    patterns.reserve(lines.size());
    for (const SpamLine& line : lines)
        patterns.push_back(DecodeSpamLine(line));
    return patterns;
}

bool WriteSpamListWorkCopy(std::string_view data_dir, const std::vector<SpamPattern>& patterns) {
    std::vector<std::string> lines;
    lines.reserve(patterns.size());
    for (const SpamPattern& pattern : patterns)
        lines.push_back(FormatSpamLine(EncodeSpamPattern(pattern)));
    return filefmt::WriteLines(SpamListWorkPath(data_dir), lines);
}

bool CreateSpamAdd(std::string_view data_dir) {
    return filefmt::WriteLines(SpamAddPath(data_dir), {});
}

bool AppendSpamAdd(std::string_view data_dir, std::string_view line) {
    return filefmt::AppendLine(SpamAddPath(data_dir), line);
}

bool AppendSpamAddToList(std::string_view data_dir) {
    std::vector<std::string> lines;
    filefmt::ReadLines(SpamAddPath(data_dir), lines);
    return filefmt::AppendLines(SpamListPath(data_dir), lines);
}

bool CommitSpamWorkCopies(std::string_view data_dir) {
    bool ok = true;
    const std::string pairs[2][2] = {{SpamListWorkPath(data_dir), SpamListPath(data_dir)},
                                     {FriendListWorkPath(data_dir), FriendListPath(data_dir)}};
    for (const auto& pair : pairs)
        if (FileExists(pair[0]) && !filefmt::ReplaceWithWorkCopy(pair[0], pair[1])) ok = false;
    return ok;
}

bool SpamPatternExists(std::string_view data_dir, std::string_view key) {
    std::vector<SpamLine> lines;
    ReadSpamLines(data_dir, lines);
    for (const SpamLine& line : lines)
        if (SpamLineKey(line).starts_with(key)) return true;
    return false;
}

int MatchSpamPatterns(std::string_view data_dir, MessageSummary& message) {
    if (IsWhitelisted(data_dir, message.from_address)) return kSpamNoMatch;
    // The recipient presence word: the first To address, or "記述無し" without any To.
    const std::string word = message.to.empty() ? std::string(texts::kSpamNone) : message.to.front().address;
    std::vector<std::string> lines;
    if (!filefmt::ReadLines(SpamListPath(data_dir), lines)) return kSpamNoMatch;
    for (const std::string& text : lines) {
        SpamLine line;
        if (!ParseSpamLine(text, line)) break;
        if (PatternHolds(DecodeSpamLine(line), word, message))
            return line.mode != 0 ? kSpamDeleteAfterConfirm : kSpamDeleteAtOnce;
    }
    return kSpamNoMatch;
}

} // namespace corvex
