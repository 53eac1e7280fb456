// Under Wine a Windows process can start a Linux program, but it cannot wait for it or read
// its exit code. The command therefore writes its output and, last, its status into files
// of a fresh folder, and this side polls for the status file.
#include "support/host_shell.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

namespace pelmora_test {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

int RunHostShell(const std::string& command, std::string& output) {
    output.clear();
    namespace fs = std::filesystem;
    // /tmp of the Linux side, seen through Wine's drive Z:.
    const std::string unix_dir = "/tmp/pelmora-shell-" + std::to_string(std::random_device{}()) + "-" +
                                 std::to_string(GetCurrentProcessId());
    const fs::path dir = "Z:" + unix_dir;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return -1;
    // The command goes into a script file, so no quoting rule of the command line is involved.
    {
        std::ofstream script(dir / "script", std::ios::binary);
        script << "( " << command << " ) >" << unix_dir << "/out 2>&1\necho $? >" << unix_dir
               << "/status.tmp\nmv " << unix_dir << "/status.tmp " << unix_dir << "/status\n";
        if (!script) {
            fs::remove_all(dir, ec);
            return -1;
        }
    }
    std::string line = "Z:\\bin\\sh " + unix_dir + "/script";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        fs::remove_all(dir, ec);
        return -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!fs::exists(dir / "status", ec)) {
        if (std::chrono::steady_clock::now() > give_up) {
            output = "the command did not finish: " + command;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    output = ReadAll(dir / "out");
    const int status = std::atoi(ReadAll(dir / "status").c_str());
    fs::remove_all(dir, ec);
    return status;
}

std::string LocalPath(const std::string& host_path) {
    return "Z:" + host_path;
}

std::string HostPath(const std::string& local_path) {
    std::string path = local_path;
    if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path.erase(0, 2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

} // namespace pelmora_test
