// Socket primitives over BSD sockets.
#include "socket_sys.h"

#include "sys_error.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace platform::detail {

namespace {
bool set_nonblocking(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 && fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}
bool would_block(int e) {
    return e == EAGAIN || e == EWOULDBLOCK;
}
} // namespace

int sys_startup() {
    return 0;
}

int sys_resolve(const std::string& host, std::uint16_t port, bool numeric_only,
                std::vector<SysAddress>& out) {
    out.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV | (numeric_only ? AI_NUMERICHOST : 0);
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0) return rc;
    for (addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(SysAddress::bytes)) continue;
        SysAddress address;
        address.family = a->ai_family;
        address.length = static_cast<int>(a->ai_addrlen);
        std::memcpy(address.bytes, a->ai_addr, a->ai_addrlen);
        out.push_back(address);
    }
    freeaddrinfo(list);
    return out.empty() ? EAI_NONAME : 0;
}

std::string sys_resolve_error_text(int code) {
    return gai_strerror(code);
}

SysSocket sys_open(int family, int& code) {
    const int fd = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (fd < 0) {
        code = errno;
        return kNoSocket;
    }
    if (!set_nonblocking(fd)) {
        code = errno;
        ::close(fd);
        return kNoSocket;
    }
    return fd;
}

int sys_connect_start(SysSocket s, const SysAddress& address, int& code) {
    if (::connect(static_cast<int>(s), reinterpret_cast<const sockaddr*>(address.bytes),
                  static_cast<socklen_t>(address.length)) == 0)
        return 0;
    if (errno == EINPROGRESS || errno == EINTR) return 1;
    code = errno;
    return -1;
}

SysWait sys_wait(SysSocket s, SysDirection direction, int ms, int& code) {
    pollfd p{};
    p.fd = static_cast<int>(s);
    p.events = direction == SysDirection::read ? POLLIN : POLLOUT;
    const int rc = ::poll(&p, 1, ms);
    if (rc < 0) {
        if (errno == EINTR) return SysWait::idle;
        code = errno;
        return SysWait::failed;
    }
    if (rc == 0) return SysWait::idle;
    if (direction == SysDirection::connect) {
        int err = 0;
        socklen_t len = sizeof err;
        if (getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        if (err != 0) {
            code = err;
            return SysWait::failed;
        }
    }
    return SysWait::ready;
}

long sys_recv(SysSocket s, void* buffer, std::size_t size, bool peek, int& code) {
    const ssize_t n = ::recv(static_cast<int>(s), buffer, size, peek ? MSG_PEEK : 0);
    if (n >= 0) return static_cast<long>(n);
    if (would_block(errno) || errno == EINTR) return -2;
    code = errno;
    return -1;
}

long sys_send(SysSocket s, const void* data, std::size_t size, int& code) {
    const ssize_t n = ::send(static_cast<int>(s), data, size, MSG_NOSIGNAL);
    if (n >= 0) return static_cast<long>(n);
    if (would_block(errno) || errno == EINTR) return -2;
    code = errno;
    return -1;
}

void sys_close(SysSocket s) {
    ::shutdown(static_cast<int>(s), SHUT_RDWR);
    ::close(static_cast<int>(s));
}

SysSocket sys_listen_loopback(std::uint16_t& port, int& code) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (fd < 0) {
        code = errno;
        return kNoSocket;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0 || !set_nonblocking(fd)) {
        code = errno;
        ::close(fd);
        return kNoSocket;
    }
    port = ntohs(a.sin_port);
    return fd;
}

SysSocket sys_accept(SysSocket listener, int& code) {
    const int fd = ::accept(static_cast<int>(listener), nullptr, nullptr);
    if (fd < 0) {
        code = (would_block(errno) || errno == EINTR || errno == ECONNABORTED) ? -2 : errno;
        return kNoSocket;
    }
    if (!set_nonblocking(fd)) {
        code = errno;
        ::close(fd);
        return kNoSocket;
    }
    return fd;
}

std::string sys_error_text(int code) {
    return system_error_text(static_cast<unsigned long>(code));
}

} // namespace platform::detail
