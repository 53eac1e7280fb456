// The folder lock of the native build is a file in the folder: a folder that cannot hold it is
// an error that names it. (On Windows a named mutex needs no file.)
#include "platform/folder_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/temp_dir.h"

using namespace std::chrono_literals;
using platform::FolderLock;
using platform::LockResult;

namespace {

TEST(FolderLock, AFolderThatCannotHoldTheLockIsAnError) {
    test_support::TempDir dir;
    FolderLock lock;
    std::string error;
    EXPECT_EQ(lock.acquire(dir.str() + "/missing/folder", 0ms, {}, &error), LockResult::error);
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

} // namespace
