// Spam deletion during a check run (modes 1 and 2): the spam matcher decides, the user
// confirms a match of the "ask first" kind, the message is deleted on the server with DELE,
// and each deletion is logged in SpamDelLog.csv of the data directory.
//
// SpamDelLog.csv: Shift_JIS, CR LF, never truncated. Its first line is
//   削除年月日,宛先,差出人,件名,ﾒｰﾗｰ種別,添付ﾌｧｲﾙ有無,ﾒｰﾙ種別,送信日時,受信日時
// and each deletion appends
//   %s,"%s%s","%s","%s","%s" ,"%s","%s","%s","%s"
// with the time of the deletion ("%Y/%m/%d %H:%M", bare), the first To address (or "記述無し")
// followed directly by "他 複数宛" when there are two or more To recipients, the From
// address, the subject, the mailer text, "有"/"無", "HTMLﾒｰﾙ"/"ﾃｷｽﾄﾒｰﾙ", the send date and the
// received date. A double quote inside a value is doubled, so that CSV readers take the
// value whole, and a CR or LF inside one becomes a blank, so that a record stays one line.
// A value that begins with "=", "+", "-", "@", a tab or a CR gets a single quote in front of
// it inside its quotes: the log is opened in a spreadsheet, which must not evaluate it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/engine_ui.h"
#include "corvex/engine/message_summary.h"
#include "corvex/engine/pop3_session.h"
#include "platform/clock.h"

namespace corvex {

inline constexpr char kSpamLogFileName[] = "SpamDelLog.csv";

// data_dir/SpamDelLog.csv.
std::string SpamLogPath(std::string_view data_dir);

// The record line of one deleted message, without its line end.
std::string SpamLogRecord(const MessageSummary& message, const platform::DateTime& deleted_at);

// The text the confirmation shows: eight lines "label<TAB>value" joined by CR LF (no line end
// after the last): To (first name "<" first address ">", "他 複数宛" for two or more), From
// (name "<" address ">"), subject, mailer, attachment, mail type, received date, send date.
std::string SpamConfirmationText(const MessageSummary& message);

// The log, open for one run.
class SpamLog {
  public:
    SpamLog() = default;
    ~SpamLog() = default;
    SpamLog(const SpamLog&) = delete;
    SpamLog& operator=(const SpamLog&) = delete;

    // Opens the log for appending; a log that does not exist yet is created with its header
    // line. False when it can be neither opened nor created.
    bool Open(std::string_view data_dir);
    bool is_open() const { return writer_ != nullptr; }
    // Appends the record of one deleted message.
    void Write(const MessageSummary& message, const platform::DateTime& deleted_at);
    // Keeps the record of a message marked for deletion by DELE: the server deletes it only
    // when it accepts QUIT, and only then is it logged (WriteHeld); DropHeld forgets them.
    void Hold(const MessageSummary& message, const platform::DateTime& deleted_at);
    int held() const { return static_cast<int>(held_.size()); }
    void WriteHeld();
    void DropHeld() { held_.clear(); }
    // True when every line reached the file.
    bool Close();

  private:
    std::unique_ptr<CrlfWriter> writer_;
    std::vector<std::string> held_;
};

// The log opened at the start of a run in modes 1 and 2, whether or not spam checking is on;
// nullptr when it can be neither opened nor created.
std::unique_ptr<SpamLog> OpenSpamLog(std::string_view data_dir);

// What the spam step works with during one run.
struct SpamStepContext {
    std::string data_dir;       // holds SpamList.999 and FriendList.dat
    std::string spam_close_sec; // SpamCloseSec: the confirmation's countdown (clamped to 10..60)
    Pop3Session& session;       // the run's open connection
    EngineUi& ui;               // shows the confirmation
    SpamLog& log;
};

// What a spam step changes in the run.
struct SpamRunState {
    int remaining = 0;      // lowered by 1 for a deletion, never below 0
    bool kept_spam = false; // set when the user declined a deletion
};

enum class SpamVerdict {
    Kept,    // not spam, declined (new_flag is then kNewFlagSpamKept) or DELE failed: the message goes on
    Deleted, // marked for deletion, its log record held: the run drops the message
};

// Offers one message (its summary; message_number is its number on the server) to spam
// deletion. A deletion is held in the log until the run's QUIT is answered. The matcher lower-cases the
// sender address and the To addresses it examines in place; the log, the cache and the report written
// afterwards see that form.
SpamVerdict SpamStep(const SpamStepContext& context, MessageSummary& message, int message_number,
                     int& new_flag, SpamRunState& run);

} // namespace corvex
