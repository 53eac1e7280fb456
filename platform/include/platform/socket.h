// TCP sockets for the POP3 session: non-blocking sockets whose every wait runs in slices, calls the
// pump between them, honours the process-wide cancel request and is bounded by a timeout.
#pragma once

#include "platform/wait.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum class IoStatus {
    ok,
    timeout,   // the wait ran out of time
    cancelled, // the cancel request was raised during the wait (only on cancellable sockets)
    closed,    // the peer closed the connection (a receive or peek got 0 bytes)
    error,     // a system call failed; see Socket::last_error()
};

// Which step failed, so the caller can tell a name that did not resolve from a refused connect.
enum class IoStage { none, startup, resolve, create, connect, wait, send, receive, listen, accept };

struct IoError {
    IoStage stage = IoStage::none;
    int code = 0;     // errno, a Winsock error or a resolver error; 0 for a timeout or a cancel
    std::string text; // the system's own text for code (may be empty)
};

const char* to_string(IoStatus status) noexcept;
const char* to_string(IoStage stage) noexcept;

namespace detail {
struct SocketHandle;
}

class Socket {
  public:
    Socket();
    ~Socket();
    Socket(Socket&&) noexcept;
    Socket& operator=(Socket&&) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Bounds each single wait (not a whole reply). Default: 60 seconds.
    void set_timeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    std::chrono::milliseconds timeout() const { return timeout_; }
    // Called between wait slices; may be empty.
    void set_pump(Pump pump) { pump_ = std::move(pump); }
    // Whether waits give up on the cancel request. Connected sockets: yes; accepted ones: no.
    void set_cancellable(bool cancellable) { cancellable_ = cancellable; }

    // Resolves host (a dotted address is used as it is; IPv4 and IPv6) and connects to the first
    // address that accepts. Resolution and connect together are bounded by the timeout.
    // Errors: stage startup, resolve, create or connect.
    IoStatus connect(std::string_view host, std::uint16_t port);

    // Sends every byte; waits (bounded, cancellable) while the send buffer is full.
    IoStatus send_all(const void* data, std::size_t size);
    IoStatus send_all(std::string_view text) { return send_all(text.data(), text.size()); }

    // Waits until data (or the peer's close) can be read.
    IoStatus wait_readable();

    // Copies up to size bytes without removing them. Waits first when nothing is there yet.
    // ok with got > 0, or closed (got == 0) when the peer has closed.
    IoStatus peek(void* buffer, std::size_t size, std::size_t& got);
    // As peek, but removes the bytes.
    IoStatus receive(void* buffer, std::size_t size, std::size_t& got);

    // Shuts the connection down in both directions and closes it. Safe to call when closed.
    void close() noexcept;
    bool is_open() const noexcept;

    // The last failure's details (stage none after success).
    const IoError& last_error() const noexcept { return error_; }

  private:
    friend class Listener;
    struct Impl; // the waits and the connect steps, in Socket.cpp
    friend struct Impl;

    std::unique_ptr<detail::SocketHandle> handle_;
    std::chrono::milliseconds timeout_{std::chrono::seconds(60)};
    Pump pump_;
    bool cancellable_ = true;
    IoError error_;
};

// A listening socket on the loopback address, for test servers and fakes.
class Listener {
  public:
    Listener();
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Listens on 127.0.0.1:port; port 0 picks a free port (see port()).
    IoStatus open(std::uint16_t port = 0);
    std::uint16_t port() const noexcept { return port_; }
    // Waits up to timeout for a client. The accepted socket is not cancellable and has the
    // default timeout; change both with its setters.
    IoStatus accept(Socket& client, std::chrono::milliseconds timeout);
    void close() noexcept;
    const IoError& last_error() const noexcept { return sock_.last_error(); }

  private:
    Socket sock_;
    std::uint16_t port_ = 0;
};

} // namespace platform
