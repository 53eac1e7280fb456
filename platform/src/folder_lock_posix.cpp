#include "platform/folder_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "sys_error.h"

namespace platform {

namespace {

constexpr std::chrono::milliseconds kSlice{50};

LockResult fail(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + detail::system_error_text(detail::last_system_error());
    return LockResult::error;
}

} // namespace

FolderLock::~FolderLock() {
    release();
}

LockResult FolderLock::acquire(const std::string& dir, std::chrono::milliseconds timeout,
                               const std::function<bool()>& keep_waiting, std::string* error) {
    if (held()) return LockResult::acquired;
    const std::string path = dir + "/CHECK.LCK";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return fail(error, "cannot open " + path);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            handle_ = fd;
            return LockResult::acquired;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            const LockResult r = fail(error, "cannot lock " + path);
            ::close(fd);
            return r;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return LockResult::busy;
        }
        if (keep_waiting && !keep_waiting()) {
            ::close(fd);
            return LockResult::stopped;
        }
        std::this_thread::sleep_for(kSlice);
    }
}

void FolderLock::release() noexcept {
    if (!held()) return;
    const int fd = static_cast<int>(handle_);
    ::flock(fd, LOCK_UN);
    ::close(fd);
    handle_ = kNone;
}

} // namespace platform
