// The command line of corvex-check.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvex_check {

// Exit statuses.
inline constexpr int kExitNothingNew = 0;
inline constexpr int kExitNewMail = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFailed = 3;
inline constexpr int kExitInterrupted = 130;

struct Options {
    bool help = false;
    std::string home;                  // --home DIR (as typed)
    std::optional<int> profile;        // --profile N, 1..10
    std::optional<std::string> server; // --server HOST: the one-account form
    int port = 110;                    // --port P, 1..65535
    bool port_given = false;
    std::string user; // --user NAME
    bool apop = false;
    bool save = false;
    bool watch = false;

    bool one_account() const { return server.has_value(); }
};

// Parses argv[1..]. On bad usage returns nullopt with the reason in error.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The text of --help.
const char* UsageText();

} // namespace corvex_check
