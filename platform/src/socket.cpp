// Waits, timeouts, cancel and results of the sockets, over the primitives of socket_sys_*.cpp.
#include "platform/socket.h"

#include "socket_sys.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform {

namespace detail {
struct SocketHandle {
    SysSocket s = kNoSocket;
    explicit SocketHandle(SysSocket socket) : s(socket) {}
    ~SocketHandle() {
        if (s != kNoSocket) sys_close(s);
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
};
} // namespace detail

using detail::SysAddress;
using detail::SysDirection;
using detail::SysSocket;
using detail::SysWait;
using Clock = std::chrono::steady_clock;

const char* to_string(IoStatus status) noexcept {
    switch (status) {
    case IoStatus::ok:
        return "ok";
    case IoStatus::timeout:
        return "timeout";
    case IoStatus::cancelled:
        return "cancelled";
    case IoStatus::closed:
        return "closed";
    case IoStatus::error:
        return "error";
    }
    return "?";
}

const char* to_string(IoStage stage) noexcept {
    switch (stage) {
    case IoStage::none:
        return "none";
    case IoStage::startup:
        return "startup";
    case IoStage::resolve:
        return "resolve";
    case IoStage::create:
        return "create";
    case IoStage::connect:
        return "connect";
    case IoStage::wait:
        return "wait";
    case IoStage::send:
        return "send";
    case IoStage::receive:
        return "receive";
    case IoStage::listen:
        return "listen";
    case IoStage::accept:
        return "accept";
    }
    return "?";
}

namespace {
// The resolver's result, shared with the thread that runs the lookup: a lookup that outlives its
// wait (timeout, cancel) finishes on its own and only touches this.
struct ResolveJob {
    std::mutex mutex;
    std::condition_variable done_signal;
    bool done = false;
    int code = 0;
    std::vector<SysAddress> addresses;
};
} // namespace

struct Socket::Impl {
    static IoStatus fail(Socket& self, IoStatus status, IoStage stage, int code) {
        self.error_.stage = stage;
        self.error_.code = code;
        if (code == 0)
            self.error_.text.clear();
        else if (stage == IoStage::resolve)
            self.error_.text = detail::sys_resolve_error_text(code);
        else
            self.error_.text = detail::sys_error_text(code);
        return status;
    }

    static bool cancelled(const Socket& self) { return self.cancellable_ && cancel_requested(); }

    // Waits in slices until the socket is ready for the direction, the deadline passes or the
    // cancel request is raised; the pump runs between slices.
    static IoStatus wait_for(Socket& self, SysDirection direction, IoStage stage,
                             Clock::time_point deadline) {
        for (;;) {
            if (cancelled(self)) return fail(self, IoStatus::cancelled, stage, 0);
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            const int ms =
                static_cast<int>(std::clamp(left, std::chrono::milliseconds(0), kWaitSlice).count());
            int code = 0;
            const SysWait w = detail::sys_wait(self.handle_->s, direction, ms, code);
            if (w == SysWait::ready) return IoStatus::ok;
            if (w == SysWait::failed) return fail(self, IoStatus::error, stage, code);
            if (Clock::now() >= deadline) return fail(self, IoStatus::timeout, stage, 0);
            if (self.pump_) self.pump_();
        }
    }

    static IoStatus resolve_name(Socket& self, const std::string& host, std::uint16_t port,
                                 Clock::time_point deadline, std::vector<SysAddress>& out) {
        auto job = std::make_shared<ResolveJob>();
        try {
            std::thread([job, host, port] {
                std::vector<SysAddress> found;
                const int code = detail::sys_resolve(host, port, false, found);
                std::lock_guard lock(job->mutex);
                job->code = code;
                job->addresses = std::move(found);
                job->done = true;
                job->done_signal.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            // No thread to be had: look the name up here, without the pump.
            const int code = detail::sys_resolve(host, port, false, out);
            return code == 0 ? IoStatus::ok : fail(self, IoStatus::error, IoStage::resolve, code);
        }
        for (;;) {
            if (cancelled(self)) return fail(self, IoStatus::cancelled, IoStage::resolve, 0);
            {
                std::unique_lock lock(job->mutex);
                if (job->done_signal.wait_for(lock, kWaitSlice, [&] { return job->done; })) {
                    if (job->code != 0) return fail(self, IoStatus::error, IoStage::resolve, job->code);
                    out = std::move(job->addresses);
                    return IoStatus::ok;
                }
            }
            if (Clock::now() >= deadline) return fail(self, IoStatus::timeout, IoStage::resolve, 0);
            if (self.pump_) self.pump_();
        }
    }

    // Tries the addresses in turn; the first that accepts is kept.
    static IoStatus connect_addresses(Socket& self, const std::vector<SysAddress>& addresses,
                                      Clock::time_point deadline) {
        IoStatus result = fail(self, IoStatus::error, IoStage::connect, 0);
        for (const SysAddress& address : addresses) {
            int code = 0;
            const SysSocket s = detail::sys_open(address.family, code);
            if (s == detail::kNoSocket) {
                result = fail(self, IoStatus::error, IoStage::create, code);
                continue;
            }
            self.handle_ = std::make_unique<detail::SocketHandle>(s);
            const int started = detail::sys_connect_start(s, address, code);
            if (started == 0) return IoStatus::ok;
            if (started < 0) {
                self.handle_.reset();
                result = fail(self, IoStatus::error, IoStage::connect, code);
                continue;
            }
            result = wait_for(self, SysDirection::connect, IoStage::connect, deadline);
            if (result == IoStatus::ok) return result;
            self.handle_.reset();
            if (result != IoStatus::error) return result; // timeout or cancel ends the whole connect
        }
        return result;
    }

    static IoStatus read_some(Socket& self, void* buffer, std::size_t size, std::size_t& got, bool peek) {
        got = 0;
        self.error_ = {};
        if (!self.handle_) return fail(self, IoStatus::error, IoStage::receive, 0);
        if (size == 0) return IoStatus::ok;
        const auto deadline = Clock::now() + self.timeout_;
        for (;;) {
            int code = 0;
            const long n = detail::sys_recv(self.handle_->s, buffer, size, peek, code);
            if (n > 0) {
                got = static_cast<std::size_t>(n);
                return IoStatus::ok;
            }
            if (n == 0) return fail(self, IoStatus::closed, IoStage::receive, 0);
            if (n == -1) return fail(self, IoStatus::error, IoStage::receive, code);
            const IoStatus w = wait_for(self, SysDirection::read, IoStage::wait, deadline);
            if (w != IoStatus::ok) return w;
        }
    }
};

Socket::Socket() = default;
Socket::~Socket() = default;
Socket::Socket(Socket&&) noexcept = default;
Socket& Socket::operator=(Socket&&) noexcept = default;

bool Socket::is_open() const noexcept {
    return handle_ != nullptr;
}

void Socket::close() noexcept {
    handle_.reset();
}

IoStatus Socket::connect(std::string_view host, std::uint16_t port) {
    close();
    error_ = {};
    const auto deadline = Clock::now() + timeout_;
    if (const int code = detail::sys_startup(); code != 0)
        return Impl::fail(*this, IoStatus::error, IoStage::startup, code);
    if (Impl::cancelled(*this)) return Impl::fail(*this, IoStatus::cancelled, IoStage::resolve, 0);

    const std::string name(host);
    std::vector<SysAddress> addresses;
    if (detail::sys_resolve(name, port, true, addresses) != 0) {
        const IoStatus resolved = Impl::resolve_name(*this, name, port, deadline, addresses);
        if (resolved != IoStatus::ok) return resolved;
    }
    if (pump_) pump_();
    return Impl::connect_addresses(*this, addresses, deadline);
}

IoStatus Socket::send_all(const void* data, std::size_t size) {
    error_ = {};
    if (!handle_) return Impl::fail(*this, IoStatus::error, IoStage::send, 0);
    const char* p = static_cast<const char*>(data);
    auto deadline = Clock::now() + timeout_;
    while (size > 0) {
        int code = 0;
        const long n = detail::sys_send(handle_->s, p, size, code);
        if (n == -1) return Impl::fail(*this, IoStatus::error, IoStage::send, code);
        if (n == -2) {
            const IoStatus w = Impl::wait_for(*this, SysDirection::write, IoStage::send, deadline);
            if (w != IoStatus::ok) return w;
            continue;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
        deadline = Clock::now() + timeout_;
    }
    return IoStatus::ok;
}

IoStatus Socket::wait_readable() {
    error_ = {};
    if (!handle_) return Impl::fail(*this, IoStatus::error, IoStage::wait, 0);
    return Impl::wait_for(*this, SysDirection::read, IoStage::wait, Clock::now() + timeout_);
}

IoStatus Socket::peek(void* buffer, std::size_t size, std::size_t& got) {
    return Impl::read_some(*this, buffer, size, got, true);
}

IoStatus Socket::receive(void* buffer, std::size_t size, std::size_t& got) {
    return Impl::read_some(*this, buffer, size, got, false);
}

Listener::Listener() {
    sock_.set_cancellable(false);
}
Listener::~Listener() = default;

IoStatus Listener::open(std::uint16_t port) {
    close();
    sock_.error_ = {};
    if (const int code = detail::sys_startup(); code != 0)
        return Socket::Impl::fail(sock_, IoStatus::error, IoStage::startup, code);
    int code = 0;
    const SysSocket s = detail::sys_listen_loopback(port, code);
    if (s == detail::kNoSocket) return Socket::Impl::fail(sock_, IoStatus::error, IoStage::listen, code);
    sock_.handle_ = std::make_unique<detail::SocketHandle>(s);
    port_ = port;
    return IoStatus::ok;
}

IoStatus Listener::accept(Socket& client, std::chrono::milliseconds timeout) {
    sock_.error_ = {};
    if (!sock_.handle_) return Socket::Impl::fail(sock_, IoStatus::error, IoStage::accept, 0);
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int code = 0;
        const SysSocket s = detail::sys_accept(sock_.handle_->s, code);
        if (s != detail::kNoSocket) {
            client = Socket();
            client.handle_ = std::make_unique<detail::SocketHandle>(s);
            client.set_cancellable(false);
            return IoStatus::ok;
        }
        if (code != -2) return Socket::Impl::fail(sock_, IoStatus::error, IoStage::accept, code);
        const IoStatus w = Socket::Impl::wait_for(sock_, SysDirection::read, IoStage::accept, deadline);
        if (w != IoStatus::ok) return w;
    }
}

void Listener::close() noexcept {
    sock_.close();
    port_ = 0;
}

} // namespace platform
