// Test helpers for the engine's data files: a private work folder, raw file bytes, goldens.
#pragma once

#include <gtest/gtest.h>

#include "support/temp_dir.h"

#include <cstdio>
#include <string>

namespace engine_files {

using test_support::Exists;
using test_support::ReadBytes;
using test_support::TempDir;
using test_support::WriteBytes;

inline std::string GoldenPath(const std::string& name) {
    return std::string(PELMORA_TEST_DATA) + "/engine/golden/" + name;
}

inline std::string Golden(const std::string& name) {
    const std::string bytes = ReadBytes(GoldenPath(name));
    EXPECT_FALSE(bytes.empty()) << "missing golden file " << name;
    return bytes;
}

} // namespace engine_files
