// Runs a program as a child process with a chosen environment and standard input from
// /dev/null (no terminal), and collects its exit status and output.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace cli_test {

struct ProgramResult {
    int status = -1; // exit status; -1 when it did not exit normally (or could not start)
    std::string out; // standard output
    std::string err; // standard error
};

// The environment is the test's own without PELMORA_PASSWORD and PELMORA_HOME, then env on top.
// A program still running after timeout is killed (status -1).
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env = {},
                         std::chrono::seconds timeout = std::chrono::seconds(120));

// As RunProgram, but once the program has written ready to standard error it gets SIGINT, the
// interrupt key of a terminal.
ProgramResult RunAndInterrupt(const std::string& program, const std::vector<std::string>& args,
                              const std::map<std::string, std::string>& env, const std::string& ready,
                              std::chrono::seconds timeout = std::chrono::seconds(120));

// A step of a dialogue on a terminal: wait until expect has been written, then type send.
struct TerminalStep {
    std::string expect;
    std::string send;
};

// As RunProgram, but on a pseudo-terminal: standard input, output and error are the terminal,
// whose output (the echo of what was typed included) comes back in out. The steps are taken in
// order; a step whose text does not come within the timeout ends the dialogue, and the program
// is killed.
ProgramResult RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                            const std::map<std::string, std::string>& env,
                            const std::vector<TerminalStep>& steps,
                            std::chrono::seconds timeout = std::chrono::seconds(120));

} // namespace cli_test
