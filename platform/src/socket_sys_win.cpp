// Socket primitives over Winsock 2.
#include "socket_sys.h"

#include "sys_error.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <cstring>

namespace platform::detail {

namespace {
// Winsock is started once, on the first socket, and cleaned up when the process ends.
struct WinsockSession {
    int code = 0;
    WinsockSession() {
        WSADATA data;
        code = WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockSession() {
        if (code == 0) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
};

SOCKET native(SysSocket s) {
    return static_cast<SOCKET>(s);
}
int clamp_size(std::size_t size) {
    return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

bool set_nonblocking(SOCKET s) {
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
} // namespace

int sys_startup() {
    static WinsockSession session;
    return session.code;
}

int sys_resolve(const std::string& host, std::uint16_t port, bool numeric_only,
                std::vector<SysAddress>& out) {
    out.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = numeric_only ? AI_NUMERICHOST : 0;
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
    return out.empty() ? WSAHOST_NOT_FOUND : 0;
}

std::string sys_resolve_error_text(int code) {
    return system_error_text(static_cast<unsigned long>(code));
}

SysSocket sys_open(int family, int& code) {
    const SOCKET s = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        code = WSAGetLastError();
        return kNoSocket;
    }
    if (!set_nonblocking(s)) {
        code = WSAGetLastError();
        closesocket(s);
        return kNoSocket;
    }
    return static_cast<SysSocket>(s);
}

int sys_connect_start(SysSocket s, const SysAddress& address, int& code) {
    if (::connect(native(s), reinterpret_cast<const sockaddr*>(address.bytes), address.length) == 0) return 0;
    const int e = WSAGetLastError();
    if (e == WSAEWOULDBLOCK || e == WSAEINPROGRESS) return 1;
    code = e;
    return -1;
}

SysWait sys_wait(SysSocket s, SysDirection direction, int ms, int& code) {
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    if (direction == SysDirection::read)
        FD_SET(native(s), &readable);
    else
        FD_SET(native(s), &writable);
    // A non-blocking connect that fails is reported in the exception set, not the write set.
    if (direction == SysDirection::connect) FD_SET(native(s), &failed);
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    const int rc = ::select(0, &readable, &writable, &failed, &tv);
    if (rc == SOCKET_ERROR) {
        code = WSAGetLastError();
        return SysWait::failed;
    }
    if (rc == 0) return SysWait::idle;
    if (direction == SysDirection::connect) {
        int err = 0;
        int len = sizeof err;
        if (getsockopt(native(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0)
            err = WSAGetLastError();
        if (err == 0 && FD_ISSET(native(s), &failed)) err = WSAECONNREFUSED;
        if (err != 0) {
            code = err;
            return SysWait::failed;
        }
    }
    return SysWait::ready;
}

long sys_recv(SysSocket s, void* buffer, std::size_t size, bool peek, int& code) {
    const int n = ::recv(native(s), static_cast<char*>(buffer), clamp_size(size), peek ? MSG_PEEK : 0);
    if (n != SOCKET_ERROR) return n;
    const int e = WSAGetLastError();
    if (e == WSAEWOULDBLOCK) return -2;
    code = e;
    return -1;
}

long sys_send(SysSocket s, const void* data, std::size_t size, int& code) {
    const int n = ::send(native(s), static_cast<const char*>(data), clamp_size(size), 0);
    if (n != SOCKET_ERROR) return n;
    const int e = WSAGetLastError();
    if (e == WSAEWOULDBLOCK) return -2;
    code = e;
    return -1;
}

void sys_close(SysSocket s) {
    ::shutdown(native(s), SD_BOTH);
    closesocket(native(s));
}

SysSocket sys_listen_loopback(std::uint16_t& port, int& code) {
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        code = WSAGetLastError();
        return kNoSocket;
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0 || !set_nonblocking(s)) {
        code = WSAGetLastError();
        closesocket(s);
        return kNoSocket;
    }
    port = ntohs(a.sin_port);
    return static_cast<SysSocket>(s);
}

SysSocket sys_accept(SysSocket listener, int& code) {
    const SOCKET s = ::accept(native(listener), nullptr, nullptr);
    if (s == INVALID_SOCKET) {
        const int e = WSAGetLastError();
        code = (e == WSAEWOULDBLOCK || e == WSAECONNRESET) ? -2 : e;
        return kNoSocket;
    }
    if (!set_nonblocking(s)) {
        code = WSAGetLastError();
        closesocket(s);
        return kNoSocket;
    }
    return static_cast<SysSocket>(s);
}

std::string sys_error_text(int code) {
    return system_error_text(static_cast<unsigned long>(code));
}

} // namespace platform::detail
