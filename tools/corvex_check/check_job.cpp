#include "check_job.h"

#include <array>
#include <cstdio>
#include <utility>

#include "corvex/checkrun/check_account.h"
#include "corvex/engine/data_paths.h"
#include "options.h"
#include "platform/Terminal.h"
#include "report_view.h"
#include "text_convert.h"

namespace corvex_check {

namespace {

// A result the driver counts neither as news nor as a failure: an account not started after
// the interrupt key.
constexpr int kNotChecked = -99;

void Out(const std::string& utf8) {
    std::fputs(utf8.c_str(), stdout);
    std::fflush(stdout);
}

std::string OrUnknown(const std::string& sjis) {
    return sjis.empty() ? "?" : ToTerminal(sjis);
}

// "  [1] sender | subject | sent ... | received ... | size | flags"
std::string MessageLine(const ReportMessage& m, const CacheDetails& d) {
    std::string flags = m.new_flag == 2 ? "spam kept" : "new";
    if (m.attachment || d.attachment) flags += ", attachment";
    if (d.html) flags += ", html";
    const std::string from = d.found && !d.from.empty() ? d.from : m.from_name;
    return "  [" + std::to_string(m.number) + "] " + OrUnknown(from) + " | " + OrUnknown(m.subject) +
           " | sent " + OrUnknown(d.send_date) + " | received " + OrUnknown(d.received_date) + " | " +
           OrUnknown(d.size_text) + " | " + flags + "\n";
}

std::string SpamLine(const std::string& record) {
    const std::vector<std::string> f = SplitSpamLogRecord(record);
    auto field = [&](std::size_t i) { return i < f.size() ? OrUnknown(f[i]) : std::string("?"); };
    return "  spam deleted: " + field(2) + " | " + field(3) + " | sent " + field(7) + "\n";
}

// Prints each account as the driver finishes it.
class PrintingEnvironment : public corvex::CheckEnvironment {
  public:
    PrintingEnvironment(const corvex::DriverSettings& settings, const std::string& data_dir, bool quiet,
                        std::string header)
        : settings_(settings), data_dir_(data_dir), quiet_(quiet), header_(std::move(header)) {}

    // What the run of a slot said beyond its report (its report may be stale: see CheckInput).
    struct RunNote {
        std::string error_text;
        bool report_written = true;
    };
    std::array<RunNote, corvex::kDriverAccountSlots> notes;

    void account_started(int, const std::string&) override { spam_log_size_ = SpamLogSize(data_dir_); }

    void account_finished(int slot, int result, int) override {
        const corvex::DriverAccount& a = settings_.accounts[slot];
        const std::string work_dir = corvex::WorkDirectory(data_dir_, a.user, a.server);
        const std::vector<std::string> spam = SpamLogRecordsSince(data_dir_, spam_log_size_);
        const bool failed = result < 0 && result != kNotChecked;
        if (quiet_ && result == 0 && spam.empty()) return;

        const RunNote& note = notes[slot];
        // A report that could not be written is the last check's: its mail was announced then.
        const AccountReport report = note.report_written ? ReadAccountReport(work_dir) : AccountReport{};
        std::string line = ToTerminal(corvex::AccountLabel(a)) + ": ";
        const std::string error = !report.errors.empty() ? ToTerminal(report.errors.front())
                                  : !note.error_text.empty() ? ToTerminal(note.error_text)
                                                             : std::string();
        if (a.chkacc == "OFF") {
            line += "paused";
        } else if (result == kNotChecked) {
            line += "not checked (interrupted)";
        } else if (failed) {
            line += "failed: " + (error.empty() ? std::string("?") : error);
        } else if (result > 0) {
            line += std::to_string(result) + " new";
            if (!error.empty()) line += ", then failed: " + error;
        } else {
            line += "nothing new";
        }
        if (!header_.empty()) Out(std::exchange(header_, std::string()) + "\n");
        Out(line + "\n");
        for (const ReportMessage& m : report.messages)
            if (m.new_flag == 1 || m.new_flag == 2)
                Out(MessageLine(m, ReadCacheDetails(work_dir, m.cache_name)));
        for (const std::string& record : spam)
            Out(SpamLine(record));
    }

  private:
    const corvex::DriverSettings& settings_;
    const std::string& data_dir_;
    bool quiet_;
    std::string header_;
    std::uint64_t spam_log_size_ = 0;
};

} // namespace

CheckJob::CheckJob(platform::Registry& registry, int profile, std::optional<OneAccount> one,
                   std::string data_dir)
    : store_(registry), profile_(profile), one_(std::move(one)), data_dir_(std::move(data_dir)) {}

void CheckJob::AskMissingPasswords() {
    if (one_) return;
    for (int slot = 0; slot < corvex::kDriverAccountSlots; ++slot) {
        const corvex::settings::AccountSettings& a = settings_.accounts[slot];
        if (a.POP3UserName.empty()) break; // the loop ends here
        if (!a.password_missing || a.CHKACC == "OFF" || typed_[slot]) continue;
        if (!platform::terminal_attached() || platform::interrupt_requested()) continue;
        const std::string label = ToTerminal(
            a.MailAdrs.empty() ? a.POP3UserName.str() + "@" + a.POP3Server.str() : a.MailAdrs.str());
        std::string typed;
        if (!platform::read_secret_line("Password for " + label + ": ", typed)) continue;
        if (std::optional<std::string> sjis = TerminalToSjis(typed)) {
            typed_[slot] = std::move(*sjis);
        } else {
            std::fputs("corvex-check: the password cannot be written in Shift_JIS\n", stderr);
        }
    }
}

corvex::DriverSettings CheckJob::DriverSettingsFor() const {
    const corvex::settings::ProfileSettings& s = settings_;
    corvex::DriverSettings d;
    d.check_new = s.CheckNew.str();
    d.check_filter = s.CheckFilter.str();
    d.check_filter2 = s.CheckFilter2.str();
    d.check_spam = s.CheckSpam.str();
    d.check_renew = s.CheckReNew.str();
    d.tout_time = s.ToutTime.str();
    if (one_) {
        corvex::DriverAccount& a = d.accounts[0];
        a.server = one_->server;
        a.port = std::to_string(one_->port);
        a.user = one_->user;
        a.password = one_->password;
        a.mode = one_->apop ? "APOP" : "POP3";
        return d;
    }
    for (int slot = 0; slot < corvex::kDriverAccountSlots; ++slot) {
        const corvex::settings::AccountSettings& from = s.accounts[slot];
        corvex::DriverAccount& a = d.accounts[slot];
        a.server = from.POP3Server.str();
        a.port = from.POP3PortNum.str();
        a.user = from.POP3UserName.str();
        a.password = typed_[slot] ? *typed_[slot] : from.POP3PassWord.str();
        a.mode = from.POP3Mode.str();
        a.mail_address = from.MailAdrs.str();
        a.chkacc = from.CHKACC.str();
        a.err_jump = from.ErrJump.str();
    }
    return d;
}

CheckSummary CheckJob::RunOnce(bool quiet, const std::string& header) {
    CheckSummary summary;
    // The check reads the profile afresh, as the tray program does before each check.
    const corvex::settings::LoadReport load = store_.Load(profile_, settings_, passwords_);
    if (load.first_error != platform::RegStatus::ok) {
        std::fprintf(stderr, "corvex-check: the settings could not be read (%s)\n",
                     platform::to_string(load.first_error));
        return summary;
    }
    summary.loaded = true;
    AskMissingPasswords();
    const corvex::DriverSettings driver = DriverSettingsFor();
    if (driver.accounts[0].user.empty()) {
        std::fprintf(
            stderr,
            "corvex-check: profile %d has no account to check (store one with --server HOST --user NAME "
            "--save)\n",
            profile_);
        return summary;
    }

    corvex::CheckSettings check;
    check.data_dir = data_dir_;
    check.profile = profile_;
    check.dsp_sort = settings_.CHKDspSort.str();
    check.rcv_opt = settings_.RcvOpt.str();
    check.read_line_num = settings_.ReadLineNum.str();
    check.read_line_num_c = settings_.ReadLineNumC.str();
    check.spam_close_sec = settings_.SpamCloseSec.str();

    PrintingEnvironment env(driver, data_dir_, quiet, header);
    const corvex::AccountRunner run = [&](const corvex::AccountCall& call, int& remaining) {
        // After the interrupt key no further account is started.
        if (platform::interrupt_requested()) return kNotChecked;
        corvex::CheckInput in;
        in.host = call.host;
        in.port = call.port;
        in.user = call.user;
        in.password = call.password;
        in.login_method = call.login_method;
        in.run_mode = corvex::kRunCheck;
        in.filter_mode = call.filter_mode;
        in.spam_check = call.spam_check;
        in.timeout_seconds = call.timeout_seconds;
        in.account = call.account;
        in.previous_count = call.previous_count;
        in.previous_size = call.previous_size;
        in.previous_result = call.previous_result;
        in.remaining = remaining;
        const int result = corvex::CheckAccount(in, ui_, check);
        remaining = in.remaining;
        env.notes[call.account] = {in.error_text, in.report_written};
        return result;
    };

    const corvex::CheckOutcome outcome = corvex::RunAccounts(driver, state_, data_dir_, run, env);
    // The lines printed are the announcement, and a person at the terminal has it in front of
    // them: the seen lists are finished as after an acknowledged one.
    corvex::FinishCheck(driver, data_dir_, false);

    summary.accounts = outcome.accounts_checked;
    summary.new_total = outcome.new_total;
    summary.failed = outcome.error_mark;
    summary.interrupted = platform::interrupt_requested();
    return summary;
}

int ExitStatus(const CheckSummary& summary) {
    if (summary.interrupted) return kExitInterrupted;
    if (!summary.loaded || summary.accounts == 0 || summary.failed) return kExitFailed;
    return summary.new_total > 0 ? kExitNewMail : kExitNothingNew;
}

} // namespace corvex_check
