// Whether a running program suspends automatic checks: the mailer (CHKAPL1) or an entry of the
// program list APList.%03d (CHKAPL2). The process list comes from a ProcessLister; the native
// build has none, so nothing suspends a check there.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// The program list holds at most this many names.
inline constexpr std::size_t kProgramListMax = 9999;

struct SuspensionSettings {
    std::string chkapl1 = "OFF";             // CHKAPL1: the mailer suspends checks
    std::string chkapl2 = "OFF";             // CHKAPL2: the program list suspends checks
    std::string mail_agent;                  // MailAgent of the profile
    std::vector<std::string> account_agents; // MailAgent2 of every account with a user name
    std::vector<std::string> program_list;   // APList.%03d
};

// The running programs' file paths, or nothing when they cannot be listed.
class ProcessLister {
  public:
    virtual ~ProcessLister() = default;
    virtual std::optional<std::vector<std::string>> running() = 0;
};

// A system without a process list (the native build).
class NoProcessList : public ProcessLister {
  public:
    std::optional<std::vector<std::string>> running() override { return std::nullopt; }
};

// The program file name of a command. The program part is the first word when it is quoted,
// else the text up to the first ".exe", else the whole command; of that, the text after the
// drive colon and the last backslash, upper-cased, its extension cut at the first character
// after the last dot that is not an ASCII letter; a name without a dot is whole.
std::string ProgramFileName(std::string_view command);
// The program's file name as the command writes it: the program part as above, the text after
// its drive colon and last backslash, case and extension kept ("mail.exe").
std::string CommandFileName(std::string_view command);
// The text after the drive colon and the last backslash of a path, case kept.
std::string PathFileName(std::string_view path);
// A process's file name: the text after the drive colon and the last backslash, upper-cased.
std::string ProcessFileName(std::string_view path);

// "<data_dir>/APList.%03d": the names separated by white space, at most kProgramListMax.
std::vector<std::string> ReadProgramList(const std::string& data_dir, int profile);

// True at the first process that is the mailer (CHKAPL1 "ON") or with whose name an entry of
// the program list begins, compared without regard to case (CHKAPL2 "ON"). A process with an
// empty file name matches nothing.
bool SuspendsChecks(const SuspensionSettings& settings, const std::vector<std::string>& process_paths);
// The whole test: false when the processes cannot be listed.
bool SuspensionTest(const SuspensionSettings& settings, ProcessLister& processes);

} // namespace corvex
