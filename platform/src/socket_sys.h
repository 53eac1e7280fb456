// The few socket primitives that differ between Winsock and POSIX. Socket.cpp builds the waits,
// timeouts and results on top of them; SocketSys_win.cpp and SocketSys_posix.cpp implement them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::detail {

using SysSocket = std::intptr_t;
inline constexpr SysSocket kNoSocket = -1;

// One resolved address, a copy of its sockaddr.
struct SysAddress {
    int family = 0;
    int length = 0;
    unsigned char bytes[128] = {};
};

enum class SysWait { ready, idle, failed };
enum class SysDirection { read, write, connect };

// Starts the socket library once per process (Winsock; nothing natively). 0 or an error code.
int sys_startup();

// Resolves host:port to stream addresses. numeric_only: accept only a dotted address (no lookup).
// 0 or an error code (resolver codes are told apart by sys_resolve_error_text).
int sys_resolve(const std::string& host, std::uint16_t port, bool numeric_only, std::vector<SysAddress>& out);
std::string sys_resolve_error_text(int code);

// A non-blocking TCP socket of the family, or kNoSocket with code set.
SysSocket sys_open(int family, int& code);
// Starts a connect: 0 connected, 1 in progress, -1 failed (code set).
int sys_connect_start(SysSocket s, const SysAddress& address, int& code);
// Waits up to ms for the direction. For connect, a failed connect is "failed" with its code.
SysWait sys_wait(SysSocket s, SysDirection direction, int ms, int& code);
// Bytes received (>= 0), -1 for an error (code set), -2 when nothing is there yet.
long sys_recv(SysSocket s, void* buffer, std::size_t size, bool peek, int& code);
// Bytes sent (>= 0), -1 for an error (code set), -2 when the send buffer is full.
long sys_send(SysSocket s, const void* data, std::size_t size, int& code);
// Shuts down both directions and closes.
void sys_close(SysSocket s);

// A non-blocking socket listening on 127.0.0.1:port; port receives the port actually bound.
SysSocket sys_listen_loopback(std::uint16_t& port, int& code);
// Accepts one pending client as a non-blocking socket; kNoSocket with code set (-2 in code when
// none is pending).
SysSocket sys_accept(SysSocket listener, int& code);

std::string sys_error_text(int code);

} // namespace platform::detail
