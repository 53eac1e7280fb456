// The folder lock: a second holder waits for the first, gives up after its time or when told
// to stop, and gets the lock as soon as the first lets go. The first holder runs on a thread of
// its own (a Windows mutex tells holders apart by thread).
#include "platform/folder_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "support/temp_dir.h"

using namespace std::chrono_literals;
using platform::FolderLock;
using platform::LockResult;

namespace {

// Holds the lock of a folder on its own thread until LetGo().
class Holder {
  public:
    explicit Holder(const std::string& dir) {
        std::promise<LockResult> taken;
        std::future<LockResult> result = taken.get_future();
        std::future<void> let_go = let_go_.get_future();
        thread_ = std::thread([dir, taken = std::move(taken), let_go = std::move(let_go)]() mutable {
            FolderLock lock;
            taken.set_value(lock.acquire(dir, 0ms));
            let_go.wait();
        });
        result_ = result.get();
    }
    ~Holder() { LetGo(); }
    LockResult result() const { return result_; }
    void LetGo() {
        if (!thread_.joinable()) return;
        let_go_.set_value();
        thread_.join();
    }

  private:
    std::promise<void> let_go_;
    std::thread thread_;
    LockResult result_ = LockResult::error;
};

std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

TEST(FolderLock, ASecondHolderWaitsGivesUpOrGetsItWhenTheFirstLetsGo) {
    test_support::TempDir dir;
    Holder first(dir.str());
    ASSERT_EQ(first.result(), LockResult::acquired);

    FolderLock second;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(second.acquire(dir.str(), 300ms), LockResult::busy);
    EXPECT_GE(Since(start), 300ms);
    EXPECT_FALSE(second.held());

    start = std::chrono::steady_clock::now();
    EXPECT_EQ(second.acquire(dir.str(), 10s, [] { return false; }), LockResult::stopped);
    EXPECT_LT(Since(start), 5s);

    // The first lets go while the second waits: the second gets the lock then, long before its
    // time is up.
    std::thread letting_go([&] {
        std::this_thread::sleep_for(300ms);
        first.LetGo();
    });
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(second.acquire(dir.str(), 20s), LockResult::acquired);
    const std::chrono::milliseconds until = Since(start);
    letting_go.join();
    EXPECT_GE(until, 250ms);
    EXPECT_LT(until, 10s);
    EXPECT_TRUE(second.held());
    EXPECT_EQ(second.acquire(dir.str(), 0ms), LockResult::acquired) << "held already";

    // Another folder has a lock of its own; after release the folder is free again.
    test_support::TempDir other;
    EXPECT_EQ(Holder(other.str()).result(), LockResult::acquired);
    EXPECT_EQ(Holder(dir.str()).result(), LockResult::busy);
    second.release();
    EXPECT_EQ(Holder(dir.str()).result(), LockResult::acquired);
}

} // namespace
