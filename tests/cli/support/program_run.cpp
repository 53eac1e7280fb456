#include "support/program_run.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace cli_test {

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Dropped(const char* entry) {
    return std::strncmp(entry, "PELMORA_PASSWORD=", 17) == 0 || std::strncmp(entry, "PELMORA_HOME=", 13) == 0;
}

// The child's environment and arguments as the exec functions take them.
struct ChildStrings {
    std::vector<std::string> env_texts, argv_texts;
    std::vector<char*> envp, argv;

    ChildStrings(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env) {
        for (char** e = environ; *e != nullptr; ++e) {
            const char* eq = std::strchr(*e, '=');
            const std::string name =
                eq ? std::string(*e, static_cast<std::size_t>(eq - *e)) : std::string(*e);
            if (!Dropped(*e) && env.find(name) == env.end()) env_texts.emplace_back(*e);
        }
        for (const auto& [name, value] : env)
            env_texts.push_back(name + "=" + value);
        for (std::string& e : env_texts)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        argv_texts.push_back(program);
        argv_texts.insert(argv_texts.end(), args.begin(), args.end());
        for (std::string& a : argv_texts)
            argv.push_back(a.data());
        argv.push_back(nullptr);
    }
};

// Waits for the child; its exit status, or -1 (killed at the deadline, or not a normal exit).
int Reap(pid_t pid, std::chrono::steady_clock::time_point deadline) {
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

namespace {

// Runs the program with standard output and error in files; watch, when given, runs every
// 20 ms with the child's id and its standard error so far until it returns true.
ProgramResult Run(const std::string& program, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env, std::chrono::seconds timeout,
                  const std::function<bool(pid_t, const std::string&)>& watch) {
    ProgramResult result;
    const std::string stem =
        (std::filesystem::temp_directory_path() /
         ("pelmora-cli-" + std::to_string(::getpid()) + "-" + std::to_string(std::random_device{}())))
            .string();
    const std::string out_path = stem + ".out", err_path = stem + ".err";

    ChildStrings child(program, args, env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, child.argv.data(), child.envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.err = std::string("cannot start ") + program + ": " + std::strerror(spawned);
        return result;
    }

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool exited = false;
    int status = 0;
    if (watch)
        while (std::chrono::steady_clock::now() < deadline && !watch(pid, ReadAll(err_path))) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    if (exited)
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    else
        result.status = Reap(pid, deadline);
    result.out = ReadAll(out_path);
    result.err = ReadAll(err_path);
    std::remove(out_path.c_str());
    std::remove(err_path.c_str());
    return result;
}

} // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env, std::chrono::seconds timeout) {
    return Run(program, args, env, timeout, {});
}

ProgramResult RunAndInterrupt(const std::string& program, const std::vector<std::string>& args,
                              const std::map<std::string, std::string>& env, const std::string& ready,
                              std::chrono::seconds timeout) {
    return Run(program, args, env, timeout, [&](pid_t pid, const std::string& err) {
        if (err.find(ready) == std::string::npos) return false;
        ::kill(pid, SIGINT);
        return true;
    });
}

ProgramResult RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                            const std::map<std::string, std::string>& env,
                            const std::vector<TerminalStep>& steps, std::chrono::seconds timeout) {
    ProgramResult result;
    ChildStrings child(program, args, env);
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) {
        result.err = std::string("forkpty: ") + std::strerror(errno);
        return result;
    }
    if (pid == 0) {
        ::execve(program.c_str(), child.argv.data(), child.envp.data());
        ::_exit(127);
    }

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t step = 0, seen = 0;
    for (;;) {
        if (step < steps.size()) {
            const std::size_t at = result.out.find(steps[step].expect, seen);
            if (at != std::string::npos) {
                seen = at + steps[step].expect.size();
                const std::string& send = steps[step].send;
                if (::write(master, send.data(), send.size()) < 0) break;
                ++step;
                continue;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd fd{master, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[512];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0) break; // EIO once the program has closed the terminal
        result.out.append(buffer, static_cast<std::size_t>(got));
    }
    result.status = Reap(pid, deadline);
    ::close(master);
    if (step < steps.size()) result.err = "the terminal never showed: " + steps[step].expect;
    return result;
}

} // namespace cli_test
