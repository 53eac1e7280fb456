#include "platform/folder_lock.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "sys_error.h"

namespace platform {

namespace {

constexpr DWORD kSliceMs = 50;

// The mutex name of a folder: the same for every spelling of its path that differs only in
// case or in a closing backslash (FNV-1a of the upper-cased path).
std::string mutex_name(const std::string& dir) {
    std::string path = dir;
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    std::uint64_t hash = 1469598103934665603ULL;
    for (char c : path) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == '/') c = '\\';
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Local\\Pelmora.Check.%016llx", static_cast<unsigned long long>(hash));
    return name;
}

} // namespace

FolderLock::~FolderLock() {
    release();
}

LockResult FolderLock::acquire(const std::string& dir, std::chrono::milliseconds timeout,
                               const std::function<bool()>& keep_waiting, std::string* error) {
    if (held()) return LockResult::acquired;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, mutex_name(dir).c_str());
    if (mutex == nullptr) {
        if (error)
            *error = "cannot create the lock of " + dir + ": " +
                     detail::system_error_text(detail::last_system_error());
        return LockResult::error;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const DWORD got = WaitForSingleObject(mutex, kSliceMs);
        // An abandoned mutex: its holder ended without letting go; the lock is ours now.
        if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) {
            handle_ = reinterpret_cast<std::intptr_t>(mutex);
            return LockResult::acquired;
        }
        if (got != WAIT_TIMEOUT) {
            if (error)
                *error = "cannot take the lock of " + dir + ": " +
                         detail::system_error_text(detail::last_system_error());
            CloseHandle(mutex);
            return LockResult::error;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            CloseHandle(mutex);
            return LockResult::busy;
        }
        if (keep_waiting && !keep_waiting()) {
            CloseHandle(mutex);
            return LockResult::stopped;
        }
    }
}

void FolderLock::release() noexcept {
    if (!held()) return;
    HANDLE mutex = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle_));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    handle_ = kNone;
}

} // namespace platform
