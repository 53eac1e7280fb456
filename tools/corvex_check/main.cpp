// corvex-check: the main job of the tray program from the command line. Checks the accounts
// of a profile (or one account given on the command line) as the tray program's check does,
// and prints what is new in UTF-8. See UsageText() in options.cpp.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "account_save.h"
#include "check_job.h"
#include "corvex/engine/data_paths.h"
#include "corvex/settings/profile_store.h"
#include "options.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"
#include "platform/terminal.h"
#include "text_convert.h"
#include "watch.h"

namespace {

using namespace corvex_check;

int Fail(int status, const std::string& text) {
    std::fprintf(stderr, "corvex-check: %s\n", text.c_str());
    return status;
}

int Usage(const std::string& text) {
    std::fprintf(stderr, "corvex-check: %s\nTry 'corvex-check --help'.\n", text.c_str());
    return kExitUsage;
}

// The password of the one-account form: $PELMORA_PASSWORD, else typed at the terminal.
std::optional<std::string> OneAccountPassword(const std::string& label, int& status) {
    std::string typed;
    if (const char* env = std::getenv("PELMORA_PASSWORD"); env != nullptr && env[0] != '\0') {
        typed = env;
    } else if (!platform::read_secret_line("Password for " + label + ": ", typed)) {
        if (platform::interrupt_requested()) {
            status = kExitInterrupted;
            return std::nullopt;
        }
        status = Usage("no password: set PELMORA_PASSWORD or run on a terminal");
        return std::nullopt;
    }
    std::optional<std::string> sjis = TerminalToSjis(typed);
    if (!sjis) status = Usage("the password cannot be written in Shift_JIS");
    return sjis;
}

int Run(const Options& options) {
    platform::Registry registry;
    platform::RegStatus opened = registry.open_system(options.home);
    if (opened != platform::RegStatus::ok) {
        if (opened == platform::RegStatus::not_open) return Fail(kExitFailed, registry.last_error());
        const std::string where = registry.store_path().empty() ? std::string() : " " + registry.store_path();
        return Fail(kExitFailed, std::string("the settings") + where + " cannot be used (" +
                                     platform::to_string(opened) + "): " + registry.last_error());
    }
    if (!options.home.empty() && registry.kind() == platform::RegKind::win32)
        std::fputs("corvex-check: --home is not used: the settings are in the Windows registry\n", stderr);

    const std::string app_data = platform::app_data_dir(registry);
    if (app_data.empty())
        return Fail(kExitFailed, "the application-data folder is not known (Shell Folders\\AppData)");
    const std::string data_dir = corvex::DataDirectory(app_data);
    std::string error;
    if (!platform::make_dirs(data_dir, &error) || !corvex::EnsureDataDirectories(app_data))
        return Fail(kExitFailed, "the data folder " + ToTerminal(data_dir) + " cannot be created: " + error);

    corvex::settings::ProfileStore store(registry);
    const int profile = options.profile ? *options.profile : store.ReadCurrentProfile();

    std::optional<OneAccount> one;
    if (options.one_account()) {
        OneAccount a;
        const std::optional<std::string> server = TerminalToSjis(*options.server);
        const std::optional<std::string> user = TerminalToSjis(options.user);
        if (!server || !user) return Usage("--server and --user must be texts that Shift_JIS can hold");
        a.server = *server;
        a.user = *user;
        a.port = options.port;
        a.apop = options.apop;
        int status = kExitUsage;
        std::optional<std::string> password =
            OneAccountPassword(options.user + "@" + *options.server, status);
        if (!password) return status;
        a.password = std::move(*password);
        if (options.save) {
            const std::optional<int> slot = SaveAccount(store, profile, a, error);
            if (!slot) return Fail(kExitFailed, "--save: " + error);
            std::fprintf(stderr, "corvex-check: saved %s@%s as account %d of profile %d\n",
                         options.user.c_str(), options.server->c_str(), *slot, profile);
        }
        one = std::move(a);
    }

    CheckJob job(registry, profile, std::move(one), data_dir);
    if (options.watch) return Watch(job);
    return ExitStatus(job.RunOnce(false));
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string error;
    const std::optional<Options> options = ParseOptions(args, error);
    if (!options) return Usage(error);
    if (options->help) {
        std::fputs(UsageText(), stdout);
        return kExitNothingNew;
    }
    platform::terminal_use_utf8_output();
    platform::install_interrupt_handler();
    return Run(*options);
}
