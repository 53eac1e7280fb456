// The spam pattern list SpamList.999, its work copy SpamList.$$$, the staging file
// SpamList.ADD, and the spam matching of a message against the list.
//
// One pattern per line, "%s %s %s %s %d %d %d": four stored condition tokens (recipient,
// sender, subject, mail program; each the stored form of "%d:%s", kind and text), the
// attachment condition (0 none, 1 has one, 2 not a condition), the type condition (0 text,
// 1 HTML, 2 not a condition) and the deletion mode (0 at once, 1 after confirmation). The
// older five-field form lacks the last two and reads as type 2, mode 1. Readers stop at the
// first line that yields neither form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/engine/message_summary.h"

namespace corvex {

// Condition kinds. Kind 0 stores "記述無し" (recipient, subject) or "不明" (sender, mail
// program); kind 2 stores "条件にしない".
inline constexpr int kSpamKindMissing = 0;
inline constexpr int kSpamKindPattern = 1;
inline constexpr int kSpamKindIgnore = 2;

// Longest condition text after decoding; longer texts are cut (at a character boundary).
inline constexpr std::size_t kSpamConditionMax = 255;
// Most lines the settings page loads.
inline constexpr std::size_t kSpamListMaxLines = 9999;

// Results of MatchSpamPatterns.
inline constexpr int kSpamNoMatch = 0;
inline constexpr int kSpamDeleteAtOnce = 1;
inline constexpr int kSpamDeleteAfterConfirm = 2;

struct SpamCondition {
    int kind = kSpamKindIgnore; // the digit before the colon; -1 when it is not a digit
    std::string text;           // Shift_JIS, at most kSpamConditionMax bytes
};

struct SpamPattern {
    SpamCondition recipient, sender, subject, mailer;
    int attachment = 2;
    int type = 2;
    int mode = 1;
};

// One line as stored: the four tokens still encoded.
struct SpamLine {
    std::string recipient, sender, subject, mailer;
    int attachment = 2;
    int type = 2;
    int mode = 1;
};

std::string SpamListPath(std::string_view data_dir);     // SpamList.999
std::string SpamListWorkPath(std::string_view data_dir); // SpamList.$$$
std::string SpamAddPath(std::string_view data_dir);      // SpamList.ADD

// Stored token of a condition: EncodeLine of "%d:%s".
std::string EncodeSpamCondition(const SpamCondition& condition);
// Kind from the first character, text from the third (empty when the decoded text is shorter).
SpamCondition DecodeSpamCondition(std::string_view token);

// Reads the seven- or five-field form; false for a line that yields neither.
bool ParseSpamLine(std::string_view line, SpamLine& out);
// "%s %s %s %s %d %d": the first six fields, the key that SpamPatternExists compares.
std::string SpamLineKey(const SpamLine& line);
// The key followed by " %d" with the deletion mode.
std::string FormatSpamLine(const SpamLine& line);

SpamLine EncodeSpamPattern(const SpamPattern& pattern);
SpamPattern DecodeSpamLine(const SpamLine& line);

// The patterns of SpamList.999 in file order, at most max_lines, up to the first line that
// does not parse. A missing file gives none.
std::vector<SpamPattern> ReadSpamList(std::string_view data_dir, std::size_t max_lines = kSpamListMaxLines);

// Writes the settings page's work copy SpamList.$$$. False when it cannot be written.
bool WriteSpamListWorkCopy(std::string_view data_dir, const std::vector<SpamPattern>& patterns);

// Spam registration's staging file: created empty, then one line per registered pattern,
// finally appended to SpamList.999. Each returns false when its file cannot be opened.
bool CreateSpamAdd(std::string_view data_dir);
bool AppendSpamAdd(std::string_view data_dir, std::string_view line);
bool AppendSpamAddToList(std::string_view data_dir);

// Commits the spam page's work copies after the settings sheet's OK: SpamList.$$$ replaces
// SpamList.999 and FriendList.$$$ replaces FriendList.dat (remove, then rename). A work copy
// that does not exist leaves its list alone. False when a present copy could not be moved.
bool CommitSpamWorkCopies(std::string_view data_dir);

// True when a line of SpamList.999 has a key (SpamLineKey; a five-field line counts with
// type 2) that begins with key. Reading stops as in the matching; a missing file gives false.
bool SpamPatternExists(std::string_view data_dir, std::string_view key);

// Is the message spam? 0 no, 1 delete at once, 2 delete after confirmation. Reads the check
// run's message state: the To list, the sender address and name, match_subject, mailer,
// attachment and html. A whitelisted sender (IsWhitelisted) is never spam; otherwise the
// first line of SpamList.999 whose conditions all hold decides. As the check run relies on,
// the sender address is lower-cased in place, and so is each To address examined by a
// recipient condition, up to the matching one.
int MatchSpamPatterns(std::string_view data_dir, MessageSummary& message);

} // namespace corvex
