// The private Dovecot of the tests, driven through tools/test-dovecot in the shell of the
// machine (under Wine too: see host_shell.h).
#include "support/dovecot_server.h"

#include "platform/socket.h"
#include "support/host_shell.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace pelmora_test {

namespace {

std::string Quote(std::string_view text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The message files of a maildir in delivery order (their names start with the delivery number).
std::vector<fs::path> MessageFiles(const fs::path& box) {
    std::vector<fs::path> files;
    for (const char* sub : {"new", "cur"}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(box / sub, ec))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return files;
}

// One short POP3 dialogue of "another client".
class MiniClient {
  public:
    bool Open(const std::string& host, std::uint16_t port) {
        socket_.set_timeout(std::chrono::seconds(10));
        socket_.set_cancellable(false);
        return socket_.connect(host, port) == platform::IoStatus::ok && Positive();
    }
    bool Command(const std::string& line) {
        return socket_.send_all(line + "\r\n") == platform::IoStatus::ok && Positive();
    }

  private:
    bool Positive() {
        std::string line;
        for (;;) {
            if (const auto end = pending_.find('\n'); end != std::string::npos) {
                line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line.rfind("+OK", 0) == 0;
            }
            char buffer[1024];
            std::size_t got = 0;
            if (socket_.receive(buffer, sizeof buffer, got) != platform::IoStatus::ok) return false;
            pending_.append(buffer, got);
        }
    }

    platform::Socket socket_;
    std::string pending_;
};

} // namespace

bool DovecotServer::Required() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && *ci != '\0';
}

bool DovecotServer::Tool(const std::string& arguments, std::string* output) {
    // Dovecot lives in sbin, which an ordinary user's PATH may lack.
    const std::string command = "PATH=\"$PATH:/usr/sbin:/usr/local/sbin\" " +
                                Quote(PELMORA_SOURCE_DIR "/tools/test-dovecot") + " " + arguments;
    std::string said;
    const int status = RunHostShell(command, said);
    if (output != nullptr) *output = said;
    if (status != 0) {
        error_ = "tools/test-dovecot " + arguments + " failed: " + Trimmed(said);
        return false;
    }
    return true;
}

DovecotServer::DovecotServer() {
    // The folder must be reachable by Dovecot's own users: the script checks every parent.
    std::string made;
    if (RunHostShell("mktemp -d \"${TMPDIR:-/tmp}/pelmora-dovecot-XXXXXX\"", made) != 0) {
        error_ = "cannot create a temporary folder for Dovecot: " + Trimmed(made);
        return;
    }
    dir_ = Trimmed(made);
    std::string out;
    if (!Tool("start " + Quote(dir_), &out)) {
        if (error_.find("not installed") != std::string::npos)
            error_ = "Dovecot is not installed (apt-get install dovecot-pop3d)";
        return;
    }
    const std::string text = Trimmed(out);
    const auto last = text.find_last_of('\n');
    const int port = std::atoi(text.substr(last == std::string::npos ? 0 : last + 1).c_str());
    if (port <= 0 || port > 65535) {
        error_ = "tools/test-dovecot start printed no port: " + text;
        return;
    }
    port_ = static_cast<std::uint16_t>(port);
    running_ = true;
}

DovecotServer::~DovecotServer() {
    if (dir_.empty()) return;
    Tool("stop " + Quote(dir_));
    // By the shell: the folder holds Dovecot's sockets and pipes, which Wine's file functions
    // block on.
    std::string said;
    RunHostShell("rm -rf " + Quote(dir_), said);
}

bool DovecotServer::AddUser(std::string_view user, std::string_view password) {
    return running_ && Tool("add-user " + Quote(dir_) + " " + Quote(user) + " " + Quote(password));
}

bool DovecotServer::Deliver(std::string_view user, std::string_view message) {
    if (!running_) return false;
    const std::string file = dir_ + "/incoming/message-" + std::to_string(++delivered_) + ".eml";
    std::error_code ec;
    fs::create_directories(LocalPath(dir_ + "/incoming"), ec);
    {
        std::ofstream out(LocalPath(file), std::ios::binary);
        out.write(message.data(), static_cast<std::streamsize>(message.size()));
        if (!out) {
            error_ = "cannot write " + file;
            return false;
        }
    }
    return DeliverFile(user, file);
}

bool DovecotServer::DeliverFile(std::string_view user, const std::string& path) {
    return running_ && Tool("deliver " + Quote(dir_) + " " + Quote(user) + " " + Quote(HostPath(path)));
}

bool DovecotServer::RemoveByPop3(std::string_view user, std::string_view password, int n) {
    if (!running_) return false;
    MiniClient client;
    const bool done = client.Open(host_, port_) && client.Command("USER " + std::string(user)) &&
                      client.Command("PASS " + std::string(password)) &&
                      client.Command("DELE " + std::to_string(n)) && client.Command("QUIT");
    if (!done) error_ = "another client could not delete message " + std::to_string(n);
    return done;
}

bool DovecotServer::RemoveMessageFile(std::string_view user, int n) {
    const auto files = MessageFiles(fs::path(LocalPath(dir_ + "/mail/" + std::string(user))));
    if (n < 1 || static_cast<std::size_t>(n) > files.size()) {
        error_ = "no message file " + std::to_string(n);
        return false;
    }
    std::error_code ec;
    return fs::remove(files[static_cast<std::size_t>(n) - 1], ec);
}

int DovecotServer::MessageFileCount(std::string_view user) const {
    return static_cast<int>(MessageFiles(fs::path(LocalPath(dir_ + "/mail/" + std::string(user)))).size());
}

} // namespace pelmora_test
