// One account check run (mode 1) against a POP3 server on loopback, timed from connect to the
// last file written. run_check_bench calls it once per measurement, next to the plain C
// client doing the same POP3 commands over the same mailbox.
//
//   bench_check --port P --user U --pass W --data DIR --previous forced|normal|report [--trace]
//
// --previous: forced = -1 -1 -99 (the first check after start-up: every header with its body
// lines, no cache file reused); normal = the values the driver reads from a work directory
// without a report (-1 -1 0: the cached path, TOP n 0 first); report = the last report's
// "[INF]" values (count, size, result). --trace relays the session through a local proxy that
// counts the commands sent (for a separate, untimed run: the relay costs time).
//
// Prints one line: seconds=... result=... remaining=... maxrss_kb=... [commands: ...]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "corvex/checkrun/check_account.h"
#include "corvex/engine/data_paths.h"
#include "corvex/engine/engine_ui.h"
#include "corvex/engine/report_file.h"

namespace {

constexpr char kHost[] = "127.0.0.1";

[[noreturn]] void Die(const std::string& text) {
    std::fprintf(stderr, "bench_check: %s\n", text.c_str());
    std::exit(2);
}

// Relays one POP3 connection to the real server and counts the client's commands by verb;
// "TOP n 0" and "TOP n k" (k > 0) are counted apart.
class CommandTrace {
  public:
    explicit CommandTrace(int server_port) : server_port_(server_port) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa = Loopback(0);
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            listen(listener_, 1) != 0)
            Die("trace: cannot listen");
        socklen_t len = sizeof sa;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len);
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] { Relay(); });
    }
    ~CommandTrace() {
        if (thread_.joinable()) thread_.join();
        close(listener_);
    }
    int port() const { return port_; }

    // Waits for the session to end and returns "VERB=count ..." in verb order.
    std::string Summary() {
        // The run is over: a relay still waiting for its client (the run never connected) gives up.
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        std::string out;
        for (const auto& [verb, count] : counts_)
            out += (out.empty() ? "" : " ") + verb + "=" + std::to_string(count);
        return out;
    }

  private:
    static sockaddr_in Loopback(int port) {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<unsigned short>(port));
        inet_pton(AF_INET, kHost, &sa.sin_addr);
        return sa;
    }

    void Count(const std::string& line) {
        char verb[16] = {};
        long number = 0, lines = -1;
        std::sscanf(line.c_str(), "%15s %ld %ld", verb, &number, &lines);
        std::string name = verb;
        if (name == "TOP") name = lines == 0 ? "TOP-0" : "TOP-" + std::to_string(lines);
        ++counts_[name];
    }

    void Relay() {
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) return;
        const int server = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa = Loopback(server_port_);
        if (server < 0 || connect(server, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
            Die("trace: connect");
        std::string pending; // the client's bytes since its last line end
        char buffer[1 << 16];
        pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        for (;;) {
            if (poll(fds, 2, -1) < 0) break;
            bool done = false;
            for (int i = 0; i < 2 && !done; ++i) {
                if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
                const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
                if (got <= 0) {
                    done = true;
                    break;
                }
                for (ssize_t sent = 0; sent < got;) {
                    const ssize_t w =
                        write(fds[1 - i].fd, buffer + sent, static_cast<std::size_t>(got - sent));
                    if (w <= 0) Die("trace: write");
                    sent += w;
                }
                if (i == 0) {
                    pending.append(buffer, static_cast<std::size_t>(got));
                    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;
                         pending.erase(0, end + 1))
                        Count(pending.substr(0, end));
                }
            }
            if (done) break;
        }
        close(client);
        close(server);
    }

    int server_port_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::map<std::string, int> counts_;
};

// The peak resident set of this program. ru_maxrss is kept across exec on Linux, so a parent
// bigger than us (a Python driver) would show through; VmHWM belongs to this image alone.
long PeakRssKb() {
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        long kb = -1;
        while (std::fgets(line, sizeof line, f) != nullptr)
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
        std::fclose(f);
        if (kb >= 0) return kb;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Options {
    int port = 0;
    std::string user, password, data_dir, previous;
    bool trace = false;
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Die("missing value after " + arg);
            return argv[++i];
        };
        if (arg == "--port")
            o.port = std::atoi(value().c_str());
        else if (arg == "--user")
            o.user = value();
        else if (arg == "--pass")
            o.password = value();
        else if (arg == "--data")
            o.data_dir = value();
        else if (arg == "--previous")
            o.previous = value();
        else if (arg == "--trace")
            o.trace = true;
        else
            Die("unknown argument " + arg);
    }
    if (o.port <= 0 || o.user.empty() || o.data_dir.empty() ||
        (o.previous != "forced" && o.previous != "normal" && o.previous != "report"))
        Die("usage: bench_check --port P --user U --pass W --data DIR --previous forced|normal|report "
            "[--trace]");
    return o;
}

} // namespace

int main(int argc, char** argv) {
    const Options o = ParseOptions(argc, argv);

    corvex::CheckSettings settings;
    settings.data_dir = o.data_dir;
    const std::string work_dir = corvex::WorkDirectory(o.data_dir, o.user, kHost);
    // The work directory is the caller's to create, as the check driver does.
    std::error_code error;
    std::filesystem::create_directories(work_dir, error);
    if (error) Die("cannot create " + work_dir);

    corvex::CheckInput input;
    input.host = kHost;
    input.port = o.port;
    input.user = o.user;
    input.password = o.password;
    input.timeout_seconds = 60;
    if (o.previous == "normal") {
        input.previous_result = 0;
    } else if (o.previous == "report") {
        const corvex::PreviousValues previous = corvex::ReadPreviousValues(work_dir);
        if (!previous.has_info) Die("no [INF] line in the last report of " + work_dir);
        input.previous_count = previous.count;
        input.previous_size = previous.size;
        input.previous_result = previous.result;
        input.remaining = previous.remaining;
    }

    std::unique_ptr<CommandTrace> trace;
    if (o.trace) {
        trace = std::make_unique<CommandTrace>(o.port);
        input.port = trace->port();
    }

    corvex::EngineUi ui;
    const auto start = std::chrono::steady_clock::now();
    const int result = corvex::CheckAccount(input, ui, settings);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    std::printf("seconds=%.6f result=%d remaining=%d maxrss_kb=%ld", seconds.count(), result, input.remaining,
                PeakRssKb());
    if (trace) std::printf(" commands: %s", trace->Summary().c_str());
    std::printf("\n");
    return result < 0 ? 1 : 0;
}
