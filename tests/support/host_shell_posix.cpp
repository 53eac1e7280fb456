#include "support/host_shell.h"

#include <cstdio>

#include <sys/wait.h>

namespace pelmora_test {

int RunHostShell(const std::string& command, std::string& output) {
    output.clear();
    std::FILE* pipe = ::popen(("( " + command + " ) 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string LocalPath(const std::string& host_path) {
    return host_path;
}
std::string HostPath(const std::string& local_path) {
    return local_path;
}

} // namespace pelmora_test
