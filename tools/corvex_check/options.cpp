#include "options.h"

#include <string_view>

namespace corvex_check {

namespace {

constexpr char kUsage[] =
    "Usage: corvex-check [--home DIR] [--profile N] [--watch]\n"
    "       corvex-check [--home DIR] [--profile N] --server HOST [--port P] --user NAME [--apop]\n"
    "                    [--save] [--watch]\n"
    "       corvex-check --help\n"
    "\n"
    "Checks the POP3 accounts of a Pelmora profile as the tray program does, and prints one line\n"
    "per account and one line per new message (UTF-8).\n"
    "\n"
    "  --home DIR     folder of the settings file pelmora.reg and of the mail data (native build;\n"
    "                 default $PELMORA_HOME, else $XDG_CONFIG_HOME/pelmora, else ~/.config/pelmora)\n"
    "  --profile N    the profile 1..10 (default: the current profile, else 1)\n"
    "  --server HOST  check this one account, as account 0 of the profile with its options\n"
    "  --port P       its port (default 110)\n"
    "  --user NAME    its user name\n"
    "  --apop         log in with APOP instead of USER/PASS\n"
    "  --save         also store the account (password included) in the profile's first free\n"
    "                 slot, or in the slot that holds the same server and user\n"
    "  --watch        keep running and check on the profile's schedule (CheckTime, CheckTime2,\n"
    "                 the night flat-rate hours) until Ctrl-C\n"
    "  --help         show this text\n"
    "\n"
    "The password of --server comes from $PELMORA_PASSWORD, else it is asked on the terminal.\n"
    "\n"
    "Exit status: 0 nothing new, 1 new mail, 2 bad usage, 3 an account failed or the check could\n"
    "not run, 130 interrupted.\n";

// A whole decimal number within [low, high].
bool ParseNumber(std::string_view text, int low, int high, int& value) {
    if (text.empty() || text.size() > 9) return false;
    int v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) return false;
    value = v;
    return true;
}

} // namespace

const char* UsageText() {
    return kUsage;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options o;
    bool home_given = false, user_given = false;
    auto fail = [&](std::string text) -> std::optional<Options> {
        error = std::move(text);
        return std::nullopt;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inline_value;
        if (name.rfind("--", 0) == 0) {
            if (const std::size_t eq = name.find('='); eq != std::string::npos) {
                inline_value = name.substr(eq + 1);
                name.resize(eq);
            }
        }
        const bool takes_value = name == "--home" || name == "--profile" || name == "--server" ||
                                 name == "--port" || name == "--user";
        const bool is_switch =
            name == "--help" || name == "-h" || name == "--apop" || name == "--save" || name == "--watch";
        if (!takes_value && !is_switch) {
            if (name.rfind("-", 0) == 0) return fail("unknown option " + name);
            return fail("unexpected argument " + name);
        }
        if (is_switch && inline_value) return fail(name + " takes no value");

        std::string value;
        if (takes_value) {
            if (inline_value) {
                value = *inline_value;
            } else {
                if (i + 1 >= args.size()) return fail(name + " needs a value");
                value = args[++i];
            }
            if (value.empty()) return fail(name + " needs a value");
        }

        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--apop") {
            o.apop = true;
        } else if (name == "--save") {
            o.save = true;
        } else if (name == "--watch") {
            o.watch = true;
        } else if (name == "--home") {
            if (home_given) return fail("--home given twice");
            home_given = true;
            o.home = value;
        } else if (name == "--profile") {
            int n = 0;
            if (o.profile) return fail("--profile given twice");
            if (!ParseNumber(value, 1, 10, n))
                return fail("--profile needs a number from 1 to 10, not " + value);
            o.profile = n;
        } else if (name == "--server") {
            if (o.server) return fail("--server given twice");
            o.server = value;
        } else if (name == "--port") {
            if (o.port_given) return fail("--port given twice");
            if (!ParseNumber(value, 1, 65535, o.port))
                return fail("--port needs a number from 1 to 65535, not " + value);
            o.port_given = true;
        } else if (name == "--user") {
            if (user_given) return fail("--user given twice");
            user_given = true;
            o.user = value;
        }
    }
    if (o.help) return o;

    if (o.server && !user_given) return fail("--server needs --user");
    if (!o.server) {
        if (user_given) return fail("--user needs --server");
        if (o.port_given) return fail("--port needs --server");
        if (o.apop) return fail("--apop needs --server");
        if (o.save) return fail("--save needs --server and --user");
    }
    return o;
}

} // namespace corvex_check
