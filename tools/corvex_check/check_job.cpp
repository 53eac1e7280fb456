#include "check_job.h"

#include <array>
#include <cstdio>
#include <utility>

#include "corvex/engine/cache_file.h"
#include "corvex/engine/data_paths.h"
#include "options.h"
#include "platform/terminal.h"
#include "report_view.h"
#include "text_convert.h"

namespace corvex_check {

namespace {

// A result the driver counts neither as news nor as a failure: an account not started after
// the interrupt key.
constexpr int kNotChecked = corvex::kForcedPreviousResult;

void Out(const std::string& utf8) {
    std::fputs(utf8.c_str(), stdout);
    std::fflush(stdout);
}

std::string OrUnknown(const std::string& sjis) {
    return sjis.empty() ? "?" : ToTerminal(sjis);
}

// "  [1] sender | subject | sent ... | received ... | size | flags"
std::string MessageLine(const ReportMessage& m, const CacheDetails& d) {
    std::string flags = m.new_flag == corvex::kNewFlagSpamKept ? "spam kept" : "new";
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
    void account_ran(int slot, const corvex::CheckInput& in) override {
        notes[slot] = {in.error_text, in.report_written};
    }

    void account_finished(int slot, int result, int) override {
        const corvex::DriverAccount& a = settings_.accounts[slot];
        const std::string work_dir = corvex::WorkDirectory(data_dir_, a.user, a.server);
        const std::vector<std::string> spam = SpamLogRecordsSince(data_dir_, spam_log_size_);
        const bool failed = result < 0 && result != kNotChecked;
        if (quiet_ && result == 0 && spam.empty()) return;

        const RunNote& note = notes[slot];
        // A report that could not be written is the last check's: its mail was announced then.
        const AccountReport report = note.report_written ? ReadAccountReport(work_dir) : AccountReport{};
        // A run that found news and then failed is a failure too.
        if (failed || (result != kNotChecked && (!report.errors.empty() || !note.error_text.empty())))
            failed_ = true;
        std::string line = ToTerminal(corvex::AccountLabel(a)) + ": ";
        const std::string error = !report.errors.empty()     ? ToTerminal(report.errors.front())
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
            if (m.new_flag == corvex::kNewFlagNew || m.new_flag == corvex::kNewFlagSpamKept)
                Out(MessageLine(m, ReadCacheDetails(work_dir, m.cache_name)));
        for (const std::string& record : spam)
            Out(SpamLine(record));
    }

    // An account failed, whether or not it found news first.
    bool failed() const { return failed_; }

  private:
    const corvex::DriverSettings& settings_;
    const std::string& data_dir_;
    bool quiet_;
    std::string header_;
    std::uint64_t spam_log_size_ = 0;
    bool failed_ = false;
};

} // namespace

CheckJob::CheckJob(platform::Registry& registry, int profile, std::optional<OneAccount> one,
                   std::string data_dir)
    : check_(registry, data_dir), profile_(profile), one_(std::move(one)), data_dir_(std::move(data_dir)) {}

void CheckJob::AskMissingPasswords() {
    if (one_) return;
    for (int slot = 0; slot < corvex::kDriverAccountSlots; ++slot) {
        const corvex::settings::AccountSettings& a = check_.profile().accounts[slot];
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
    corvex::DriverSettings d = corvex::DriverSettingsFrom(check_.profile());
    if (one_) {
        d.accounts = {};
        corvex::DriverAccount& a = d.accounts[0];
        a.server = one_->server;
        a.port = std::to_string(one_->port);
        a.user = one_->user;
        a.password = one_->password;
        a.mode = one_->apop ? "APOP" : "POP3";
        return d;
    }
    for (int slot = 0; slot < corvex::kDriverAccountSlots; ++slot)
        if (typed_[slot]) d.accounts[slot].password = *typed_[slot];
    return d;
}

CheckSummary CheckJob::RunOnce(bool quiet, const std::string& header) {
    CheckSummary summary;
    // The check reads the profile afresh, as the tray program does before each check.
    const corvex::settings::LoadReport load = check_.Load(profile_);
    if (load.first_error == platform::RegStatus::io_error ||
        load.first_error == platform::RegStatus::corrupt ||
        load.first_error == platform::RegStatus::not_open) {
        std::fprintf(stderr, "corvex-check: the settings could not be read (%s)\n",
                     platform::to_string(load.first_error));
        return summary;
    }
    // Any other fault of a single value (one stored as a number, say) left its default, as in
    // the tray program.
    if (load.first_error != platform::RegStatus::ok && !quiet)
        std::fprintf(stderr,
                     "corvex-check: some settings of profile %d are not texts (%s); their defaults apply\n",
                     profile_, platform::to_string(load.first_error));
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

    PrintingEnvironment env(driver, data_dir_, quiet, header);
    // After the interrupt key no further account is started.
    const corvex::CheckOutcome outcome =
        check_.Run(driver, ui_, env, [] { return platform::interrupt_requested(); });
    // The lines printed are the announcement, and a person at the terminal has it in front of
    // them: the seen lists are finished as after an acknowledged one.
    check_.Finish(driver, false);
    if (outcome.busy && outcome.error_mark)
        std::fprintf(stderr, "corvex-check: %s\n", ToTerminal(outcome.summary).c_str());

    summary.accounts = outcome.accounts_checked;
    summary.new_total = outcome.new_total;
    summary.failed = outcome.error_mark || env.failed();
    summary.interrupted = platform::interrupt_requested();
    return summary;
}

int ExitStatus(const CheckSummary& summary) {
    if (summary.interrupted) return kExitInterrupted;
    if (!summary.loaded || summary.accounts == 0 || summary.failed) return kExitFailed;
    return summary.new_total > 0 ? kExitNewMail : kExitNothingNew;
}

} // namespace corvex_check
