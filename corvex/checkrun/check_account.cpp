// The account check run: start (settings, connect, login, STAT, the unchanged mailbox, the
// files of the pass) and end (ID list promotion, QUIT, the report's trailer or its one error
// line, the result).
#include "corvex/checkrun/check_account.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>

#include "checkrun_texts.h"
#include "corvex/checkrun/check_run.h"
#include "corvex/engine/sjis_text.h"
#include "platform/files.h"
#include "platform/wait.h"

namespace corvex {

namespace {

constexpr char kSoundList[] = "FSOUND.LST";
constexpr char kSoundListBackup[] = "FSOUND.$BK";

// The decimal value of the leading digits (an optional sign first, blanks skipped), as atoi
// reads a setting; no digits read 0. Values beyond the int range stop growing.
long LeadingDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<long>(value * 10 + (text[i] - '0'), 1L << 30);
    return negative ? -value : value;
}

std::string Field(std::string_view text) {
    return std::string(sjis::Prefix(text, kSelectionFieldMax));
}

// printf of one argument into a string.
template <typename Arg> std::string Format(const char* pattern, Arg arg) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, arg);
    return text;
}

std::string ReasonText(int error) {
    switch (platform::classify_write_errno(error)) {
    case platform::WriteFault::disk_full:
        return texts::kRunReasonDiskFull;
    case platform::WriteFault::not_permitted:
        return texts::kRunReasonReadOnly;
    case platform::WriteFault::io_error:
        return texts::kRunReasonIo;
    case platform::WriteFault::other:
        break;
    }
    return Format(texts::kRunReasonOther, error);
}

} // namespace

std::string WriteErrorText(const std::string& path, int error) {
    const std::string_view pattern = texts::kRunFileWriteError;
    const std::string values[] = {path, ReasonText(error)};
    std::string text;
    std::size_t from = 0;
    for (const std::string& value : values) {
        const std::size_t at = pattern.find("%s", from);
        if (at == std::string_view::npos) break;
        text.append(pattern.substr(from, at - from)).append(value);
        from = at + 2;
    }
    return text.append(pattern.substr(from));
}

int CheckLineCount(std::string_view read_line_num_c) {
    if (read_line_num_c.empty()) return 20;
    return static_cast<int>(std::clamp<long>(LeadingDecimal(read_line_num_c), 20, 200));
}

int FetchLineCount(std::string_view read_line_num) {
    if (read_line_num.empty()) return 200;
    return static_cast<int>(LeadingDecimal(read_line_num));
}

namespace checkrun {

// ---- the work file --------------------------------------------------------------------

bool WorkFile::Create(const std::string& path) {
    Close();
    RemoveFile(path);
    file_ = std::fopen(path.c_str(), "wb");
    return file_ != nullptr;
}

void WorkFile::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

void WorkFile::WriteLine(std::string_view line) {
    if (file_ == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fwrite("\r\n", 1, 2, file_);
}

// ---- start ----------------------------------------------------------------------------

CheckRun::CheckRun(CheckInput& input, EngineUi& ui, const CheckSettings& settings)
    : in_(input), ui_(ui), settings_(settings), session_(ui) {}

void CheckRun::ReadSettings() {
    descending_ = settings_.dsp_sort == "ON";
    receive_all_ = settings_.rcv_opt == "ALL";
    lines_c_ = CheckLineCount(settings_.read_line_num_c);
    fetch_lines_ = FetchLineCount(settings_.read_line_num);
    for (const SelectionEntry& entry : in_.selection) {
        if (selection_.size() >= kSelectionMax || entry.cache_key.empty()) break;
        selection_.push_back({Field(entry.cache_key), Field(entry.cache_name), Field(entry.fetch_option)});
    }
}

int CheckRun::Run() {
    if (in_.run_mode != kRunCheck && in_.run_mode != kRunDelete && in_.run_mode != kRunFetch)
        return kCheckFailed;
    ui_.progress_reset();
    ReadSettings();

    const std::string& data_dir = settings_.data_dir;
    platform::make_dirs(data_dir);
    EnsureDirectory(TempDirectory(data_dir));
    EnsureDirectory(IdDirectory(data_dir));
    EnsureDirectory(ActDirectory(data_dir));
    work_dir_ = WorkDirectory(data_dir, in_.user, in_.host);
    seen_files_ = SeenListFiles(data_dir, in_.user, in_.host);

    // A selection whose cache name is no cache name selects nothing that can be fetched.
    if (in_.run_mode == kRunFetch && (selection_.empty() || !IsCacheName(selection_.front().cache_name))) {
        ui_.message_box(texts::kRunNoSelection, texts::kRunErrorCaption, MessageIcon::Error);
        return kCheckFailed;
    }

    platform::clear_cancel();
    session_.ResetCancelled();
    report_stage_ = 1;
    session_.SetTimeoutSeconds(std::max(in_.timeout_seconds, 1));
    session_.SetTrayPhase(0);
    session_.SetDeleting(in_.run_mode == kRunDelete);
    shown_tenth_ = in_.run_mode == kRunDelete ? -1 : 0;

    if (ConnectAndLogin()) {
        const int count = session_.PopCommand("STAT");
        if (count < 0) {
            Fail(texts::kRunStatError);
            in_.remaining = 0;
        } else {
            stat_count_ = count;
            stat_size_ = session_.mailbox_octets();
            if (UnchangedMailbox()) return write_error_.empty() ? in_.previous_result : kCheckFailed;
            if (in_.run_mode == kRunFetch || OpenFiles()) {
                report_stage_ = 2;
                spam_state_.remaining = stat_count_;
                if (stat_count_ > 0) session_.SetTrayPhase(2);
                listed_ = 0;
                if (in_.run_mode == kRunFetch)
                    FetchMessages();
                else
                    CheckMessages();
            }
        }
    }
    Finish();
    return Result();
}

bool CheckRun::ConnectAndLogin() {
    const bool apop = in_.login_method == kLoginApop;
    std::string timestamp = apop ? "" : kPopNoTimestamp;
    int rc = session_.PopConnect(in_.host, in_.port, timestamp);
    if (rc < 0) {
        Fail(CodeText(rc));
        return false;
    }
    connected_ = true;
    if (in_.run_mode != kRunFetch) VisitListReset(work_dir_);
    rc = apop ? session_.PopLoginApop(in_.user, in_.password, timestamp)
              : session_.PopLoginUser(in_.user, in_.password);
    if (rc < 0) {
        Fail(CodeText(rc));
        return false;
    }
    return true;
}

// Mode 1 with the count and size of the last report: the marks of the old report are cleared
// and the sound list of the last check is put back; nothing else is touched. A report whose
// marks cannot be cleared would announce its mail again: that fails the run.
bool CheckRun::UnchangedMailbox() {
    if (in_.run_mode != kRunCheck) return false;
    if (stat_count_ != in_.previous_count || stat_size_ != in_.previous_size) return false;
    session_.PopQuit();
    const std::string report = JoinPath(work_dir_, kReportFileName);
    if (FileExists(report) && !ClearNewMarks(work_dir_)) {
        WriteFailed(report, errno);
        in_.error_text = write_error_;
        in_.report_written = false;
    }
    const std::string sounds = JoinPath(work_dir_, kSoundList);
    const std::string backup = JoinPath(work_dir_, kSoundListBackup);
    RemoveFile(sounds);
    if (FileExists(backup)) platform::rename_file(backup, sounds);
    return true;
}

bool CheckRun::OpenFiles() {
    spam_log_ = OpenSpamLog(settings_.data_dir);
    if (!spam_log_) {
        Fail(std::string(texts::kRunSpamLogError) + " " +
             WriteErrorText(SpamLogPath(settings_.data_dir), errno));
        in_.remaining = 0;
        return false;
    }
    if (!report_.Open(work_dir_)) {
        Fail(std::string(texts::kRunReportError) + " " +
             WriteErrorText(JoinPath(work_dir_, kReportFileName), report_.error()));
        in_.remaining = 0;
        return false;
    }
    seen_.emplace(seen_files_);
    index_.emplace(work_dir_);
    return true;
}

// ---- end ------------------------------------------------------------------------------

void CheckRun::Finish() {
    work_.Close();
    const bool lists = in_.run_mode != kRunFetch;
    if (connected_) {
        const bool committed = session_.PopQuit();
        if (lists) EndDeletions(committed);
    }
    if (report_stage_ == 2) in_.remaining = spam_state_.remaining;
    if (spam_log_ && !spam_log_->Close()) WriteFailed(SpamLogPath(settings_.data_dir), errno);
    if (lists && report_stage_ == 2) {
        report_.Trailer(listed_, stat_count_, stat_size_, Result(), spam_state_.remaining,
                        spam_state_.kept_spam);
        CommitPass();
    } else if (lists && connected_) {
        VisitListPromote(work_dir_);
    }
    if (lists && report_stage_ == 1 && error_) {
        in_.error_text = pending_error_;
        in_.report_written = WriteErrorReport(work_dir_, pending_error_);
    }
}

// The files of the pass become the state of the account in an order that never loses an
// announcement, whether the run is killed or a write fails: first every copy is written
// completely (visit list, report, seen list); then the report takes its place, then the
// index and the visit list, and the seen list last. Until the seen list is replaced the next
// check announces this pass's mail again. A write that fails drops the copies, keeps the
// seen list and leaves a report with the error alone.
void CheckRun::CommitPass() {
    const std::string visits = JoinPath(work_dir_, kVisitListName);
    if (visits_ && !visits_->Close()) WriteFailed(visits, errno);
    visits_.reset();
    const std::string report = JoinPath(work_dir_, kReportFileName);
    if (write_error_.empty() && !report_.Finish()) WriteFailed(report, report_.error());
    if (write_error_.empty() && !seen_->WriteCopy()) WriteFailed(seen_files_.list, seen_->error());
    if (write_error_.empty() && !report_.Commit()) WriteFailed(report, report_.error());
    if (write_error_.empty() && !index_->Flush()) WriteFailed(JoinPath(work_dir_, kIndexFileName), errno);
    if (write_error_.empty() && FileExists(visits) && !VisitListPromote(work_dir_))
        WriteFailed(JoinPath(work_dir_, kLastVisitListName), errno);
    if (write_error_.empty() && !seen_->Commit()) WriteFailed(seen_files_.list, seen_->error());
    if (write_error_.empty()) return;

    report_.Discard();
    seen_->Discard();
    RemoveFile(visits);
    in_.error_text = write_error_;
    in_.report_written = WriteErrorReport(work_dir_, write_error_);
}

void CheckRun::WriteFailed(const std::string& path, int error) {
    error_ = true;
    if (write_error_.empty()) write_error_ = WriteErrorText(path, error);
}

// The server carries out the deletions of a session when it accepts QUIT (RFC 1939): only
// then are the spam deletions logged. A refused or dropped QUIT leaves the messages on the
// server; the run reports it and logs nothing.
void CheckRun::EndDeletions(bool committed) {
    const int marked = deleted_ + (spam_log_ ? spam_log_->held() : 0);
    if (marked == 0) return;
    if (committed) {
        if (spam_log_) spam_log_->WriteHeld();
        return;
    }
    if (spam_log_) spam_log_->DropHeld();
    spam_state_.remaining += marked;
    ReportError(texts::kRunQuitError);
}

int CheckRun::Result() const {
    if (in_.run_mode == kRunFetch) return result_;
    if (!write_error_.empty()) return kCheckFailed;
    const int result = new_count_ - filtered_;
    return result == 0 && error_ ? kCheckFailed : result;
}

void CheckRun::Fail(std::string text) {
    error_ = true;
    pending_error_ = std::move(text);
    if (in_.run_mode == kRunFetch) result_ = FailedFetchResult(kFetchNothingDone);
}

// ---- shared steps ---------------------------------------------------------------------

int CheckRun::Scan(int u, int body_lines, bool write_work_file) {
    HeaderScanner::WorkSink sink;
    if (write_work_file)
        sink = [this](std::string_view line) {
            work_text_.append(line);
            work_text_.append("\r\n");
        };
    scan_.Begin(u, std::move(sink));
    const std::string command = "TOP " + std::to_string(u) + " " + std::to_string(body_lines);
    const int rc = session_.PopMultiLine(
        command, [this](std::string_view line, long count) { scan_.Feed(line, count); });
    if (rc < 0) return rc;
    return scan_.Finish();
}

void CheckRun::ReportError(std::string text) {
    error_ = true;
    report_.Error(text);
    if (in_.error_text.empty()) in_.error_text = std::move(text);
}

std::string CheckRun::CodeText(int code) const {
    std::string text;
    session_.PopErrorText(code, text);
    return text;
}

bool CheckRun::Cancelled() const {
    return platform::cancel_requested() || session_.cancelled();
}

void CheckRun::VisitListAppend(std::string_view cache_key) {
    if (index_) index_->Visited(cache_key);
    if (!visits_)
        visits_ = std::make_unique<CrlfWriter>(JoinPath(work_dir_, kVisitListName), CrlfWriter::Mode::Append);
    visits_->WriteLine(OneLine(cache_key));
}

} // namespace checkrun

int CheckAccount(CheckInput& input, EngineUi& ui, const CheckSettings& settings) {
    try {
        checkrun::CheckRun run(input, ui, settings);
        return run.Run();
    } catch (const std::bad_alloc&) {
        ui.message_box(texts::kRunNoMemory, texts::kRunNoMemoryCaption, MessageIcon::Error);
        return kCheckFailed;
    }
}

} // namespace corvex
