// One holder at a time, across processes, for a folder: the check of a data folder runs under
// it, so the tray program and corvex-check never write one folder's reports and seen lists at
// the same time. Natively an flock on the file CHECK.LCK in the folder; on Windows a named mutex
// whose name comes from the folder's path (no file). The lock goes with its holder: a process
// that ends or is killed holds nothing. Holders are told apart by thread on Windows (a mutex
// is owned by a thread), by open file natively: take and let go of a lock on one thread.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace platform {

enum class LockResult {
    acquired,
    busy,    // another holder kept it for the whole wait
    stopped, // keep_waiting said no before it was free
    error,   // the lock could not be made (see the error text)
};

class FolderLock {
  public:
    FolderLock() = default;
    ~FolderLock(); // releases
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock of dir, waiting up to timeout for another holder to let go. keep_waiting
    // runs between the slices of the wait (the GUI pumps its messages there) and ends the wait
    // when it returns false. Taking a lock this object holds already is acquired at once.
    LockResult acquire(const std::string& dir, std::chrono::milliseconds timeout,
                       const std::function<bool()>& keep_waiting = {}, std::string* error = nullptr);
    void release() noexcept;
    bool held() const noexcept { return handle_ != kNone; }

  private:
    static constexpr long long kNone = -1;
    long long handle_ = kNone; // file descriptor, or HANDLE of the mutex
};

} // namespace platform
