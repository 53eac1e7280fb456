// The folder lock: a second holder waits for the first, gives up after its time or when told
// to stop, and gets the lock as soon as the first lets go. The contender runs on its own thread
// (a Windows mutex tells holders apart by thread).
#include "platform/FolderLock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "support/temp_dir.h"

using namespace std::chrono_literals;
using platform::FolderLock;
using platform::LockResult;

namespace {

// Tries the lock of dir from another thread; the result and how long it took.
std::pair<LockResult, std::chrono::milliseconds>
Contend(const std::string& dir, std::chrono::milliseconds timeout, std::function<bool()> keep_waiting = {}) {
    return std::async(std::launch::async,
                      [&] {
                          FolderLock lock;
                          const auto start = std::chrono::steady_clock::now();
                          const LockResult r = lock.acquire(dir, timeout, keep_waiting);
                          return std::make_pair(r, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                       std::chrono::steady_clock::now() - start));
                      })
        .get();
}

TEST(FolderLock, ASecondHolderWaitsGivesUpOrGetsItWhenTheFirstLetsGo) {
    test_support::TempDir dir;
    FolderLock first;
    ASSERT_EQ(first.acquire(dir.str(), 0ms), LockResult::acquired);
    EXPECT_TRUE(first.held());
    EXPECT_EQ(first.acquire(dir.str(), 0ms), LockResult::acquired) << "held already";

    const auto [busy, waited] = Contend(dir.str(), 300ms);
    EXPECT_EQ(busy, LockResult::busy);
    EXPECT_GE(waited, 300ms);

    const auto [stopped, stop_waited] = Contend(dir.str(), 10s, [] { return false; });
    EXPECT_EQ(stopped, LockResult::stopped);
    EXPECT_LT(stop_waited, 5s);

    // Let go while the contender waits: it gets the lock then, long before its time is up.
    std::thread letting_go([&] {
        std::this_thread::sleep_for(300ms);
        first.release();
    });
    const auto [acquired, until] = Contend(dir.str(), 20s);
    letting_go.join();
    EXPECT_EQ(acquired, LockResult::acquired);
    EXPECT_GE(until, 250ms);
    EXPECT_LT(until, 10s);
    EXPECT_FALSE(first.held());

    // Another folder has a lock of its own.
    test_support::TempDir other;
    ASSERT_EQ(first.acquire(dir.str(), 0ms), LockResult::acquired);
    EXPECT_EQ(Contend(other.str(), 0ms).first, LockResult::acquired);
}

TEST(FolderLock, AFolderThatCannotHoldTheLockIsAnError) {
    test_support::TempDir dir;
    FolderLock lock;
    std::string error;
    EXPECT_EQ(lock.acquire(dir.str() + "/missing/folder", 0ms, {}, &error),
#ifdef _WIN32
              LockResult::acquired // a named mutex needs no file
#else
              LockResult::error
#endif
    );
#ifndef _WIN32
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
#endif
}

} // namespace
