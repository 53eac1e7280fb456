#include "corvex/checkrun/spam_step.h"

#include <utility>

#include "checkrun_texts.h"
#include "corvex/engine/cache_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/filters/spam_confirm.h"
#include "corvex/filters/spam_list.h"

namespace corvex {

namespace {

// A spreadsheet takes a cell that begins with one of these as a formula.
bool StartsLikeAFormula(std::string_view value) {
    return !value.empty() && std::string_view("=+-@\t\r").find(value.front()) != std::string_view::npos;
}

// A quoted CSV value: quotes doubled, line ends turned into blanks, and a single quote in
// front of a value that a spreadsheet would evaluate (a subject "=HYPERLINK(...)" is shown as
// text, not run).
std::string Quoted(std::string_view value) {
    std::string out = "\"";
    if (StartsLikeAFormula(value)) out += '\'';
    for (const char c : OneLine(value)) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string_view AttachmentText(const MessageSummary& m) {
    return m.attachment ? texts::kSpamLogAttachmentYes : texts::kSpamLogAttachmentNo;
}

std::string_view TypeText(const MessageSummary& m) {
    return m.html ? texts::kSpamLogHtmlMail : texts::kSpamLogTextMail;
}

std::string_view ManyRecipients(const MessageSummary& m) {
    return m.to.size() >= 2 ? texts::kSpamLogManyRecipients : "";
}

std::string FirstToAddress(const MessageSummary& m) {
    return m.to.empty() ? std::string(texts::kSpamLogNoRecipient) : m.to.front().address;
}

// The user interface's confirmation as the filters' confirmer.
class UiConfirmer final : public SpamConfirmer {
  public:
    explicit UiConfirmer(EngineUi& ui) : ui_(ui) {}
    int ConfirmSpamDeletion(const std::string& text, int countdown_seconds) override {
        return ui_.confirm_spam_deletion(text, countdown_seconds);
    }

  private:
    EngineUi& ui_;
};

} // namespace

std::string SpamLogPath(std::string_view data_dir) {
    return JoinPath(data_dir, kSpamLogFileName);
}

std::string SpamLogRecord(const MessageSummary& m, const platform::DateTime& deleted_at) {
    std::string line = platform::format_time(deleted_at, "%Y/%m/%d %H:%M");
    line += ',';
    line += Quoted(FirstToAddress(m) + std::string(ManyRecipients(m)));
    line += ',' + Quoted(m.from_address);
    line += ',' + Quoted(m.subject);
    line += ',' + Quoted(m.mailer);
    line += " ," + Quoted(AttachmentText(m));
    line += ',' + Quoted(TypeText(m));
    line += ',' + Quoted(m.send_date);
    line += ',' + Quoted(m.received_date);
    return line;
}

std::string SpamConfirmationText(const MessageSummary& m) {
    const std::string to_name = m.to.empty() ? std::string() : m.to.front().name;
    const auto line = [](std::string_view label, std::string_view value) {
        return std::string(label) + '\t' + std::string(value);
    };
    std::string text;
    text += line(texts::kSpamLogLabelTo,
                 to_name + "<" + FirstToAddress(m) + ">" + std::string(ManyRecipients(m)));
    text += "\r\n" + line(texts::kSpamLogLabelFrom, m.from_name + "<" + m.from_address + ">");
    text += "\r\n" + line(texts::kSpamLogLabelSubject, m.subject);
    text += "\r\n" + line(texts::kSpamLogLabelMailer, m.mailer);
    text += "\r\n" + line(texts::kSpamLogLabelAttachment, AttachmentText(m));
    text += "\r\n" + line(texts::kSpamLogLabelType, TypeText(m));
    text += "\r\n" + line(texts::kSpamLogLabelReceived, m.received_date);
    text += "\r\n" + line(texts::kSpamLogLabelSent, m.send_date);
    return text;
}

bool SpamLog::Open(std::string_view data_dir) {
    const std::string path = SpamLogPath(data_dir);
    const bool exists = FileExists(path);
    writer_ =
        std::make_unique<CrlfWriter>(path, exists ? CrlfWriter::Mode::Append : CrlfWriter::Mode::Create);
    if (!writer_->is_open()) {
        writer_.reset();
        return false;
    }
    if (!exists) writer_->WriteLine(texts::kSpamLogHeader);
    return true;
}

void SpamLog::Write(const MessageSummary& message, const platform::DateTime& deleted_at) {
    if (writer_) writer_->WriteLine(SpamLogRecord(message, deleted_at));
}

void SpamLog::Hold(const MessageSummary& message, const platform::DateTime& deleted_at) {
    held_.push_back(SpamLogRecord(message, deleted_at));
}

void SpamLog::WriteHeld() {
    if (writer_)
        for (const std::string& record : held_)
            writer_->WriteLine(record);
    held_.clear();
}

bool SpamLog::Close() {
    if (!writer_) return true;
    const bool ok = writer_->Close();
    writer_.reset();
    return ok;
}

std::unique_ptr<SpamLog> OpenSpamLog(std::string_view data_dir) {
    auto log = std::make_unique<SpamLog>();
    if (!log->Open(data_dir)) return nullptr;
    return log;
}

SpamVerdict SpamStep(const SpamStepContext& context, MessageSummary& message, int message_number,
                     int& new_flag, SpamRunState& run) {
    int match = MatchSpamPatterns(context.data_dir, message);
    if (match == kSpamNoMatch) return SpamVerdict::Kept;
    if (match == kSpamDeleteAfterConfirm) {
        UiConfirmer confirmer(context.ui);
        const int answer =
            ConfirmSpamDeletion(confirmer, SpamConfirmationText(message), context.spam_close_sec);
        match = answer == kSpamConfirmDelete ? kSpamDeleteAtOnce : kSpamDeleteAfterConfirm;
    }
    if (match == kSpamDeleteAtOnce) {
        if (context.session.PopCommand("DELE " + std::to_string(message_number)) < 0)
            return SpamVerdict::Kept;
        context.log.Hold(message, platform::local_now());
        if (run.remaining > 0) --run.remaining;
        return SpamVerdict::Deleted;
    }
    // A declined confirmation, or any other answer of the matcher.
    new_flag = kNewFlagSpamKept;
    run.kept_spam = true;
    return SpamVerdict::Kept;
}

} // namespace corvex
