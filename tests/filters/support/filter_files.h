// Test helpers for the filters' list files: a private data directory with its Temp/<account>
// and ACT folders, raw file bytes, and Shift_JIS forms of UTF-8 test texts.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/sjis.h"
#include "support/temp_dir.h"

namespace filter_files {

// The work-folder name of the test account.
inline constexpr char kAccount[] = "user_pop.example.com";

// A fresh data directory under the system's temporary folder with its Temp/<account> and ACT
// folders, removed with everything in it.
class DataDir : public test_support::TempDir {
  public:
    DataDir() {
        Sub(std::string("Temp/") + kAccount);
        Sub("ACT");
    }
};

using test_support::Exists;
using test_support::ReadBytes;
using test_support::Sj;
using test_support::WriteBytes;

} // namespace filter_files
