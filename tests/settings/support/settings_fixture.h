// Test helpers for the settings store: a private registry (the real one under a throw-away key in
// the Windows build, a file store in a temporary home natively), Shift_JIS forms of UTF-8 texts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/registry.h"
#include "support/sjis.h"
#include "support/temp_dir.h"

namespace settings_test {

using test_support::ReadBytes;
using test_support::Sj;
using test_support::TempDir;

// The machine's registry with the settings under a root key of this process's own:
// "Software\PelmoraTest\<pid>\Quillon\Ravelin98", deleted again at the end of each test.
class RegistryTest : public ::testing::Test {
  protected:
    static constexpr platform::Hive HKCU = platform::Hive::current_user;

    void SetUp() override {
        ASSERT_EQ(reg_.open_system(home_.str()), platform::RegStatus::ok) << reg_.last_error();
        base_ = "Software\\PelmoraTest\\" + std::to_string(platform::process_id());
        root_ = base_ + "\\Quillon\\Ravelin98";
        reg_.delete_tree(HKCU, base_); // left over by a crashed run of the same id
    }
    void TearDown() override {
        reg_.delete_tree(HKCU, base_);
        std::vector<std::string> left;
        if (reg_.list_subkeys(HKCU, "Software\\PelmoraTest", left) == platform::RegStatus::ok && left.empty())
            reg_.delete_tree(HKCU, "Software\\PelmoraTest");
    }

    // A value read straight from the registry ("<missing>" when absent).
    std::string Raw(const std::string& sub, const std::string& name) {
        std::string text;
        if (reg_.read_text(HKCU, sub.empty() ? root_ : root_ + "\\" + sub, name, text) !=
            platform::RegStatus::ok)
            return "<missing>";
        return text;
    }
    void PutRaw(const std::string& sub, const std::string& name, const std::string& text) {
        const std::string path = sub.empty() ? root_ : root_ + "\\" + sub;
        ASSERT_EQ(reg_.create_key(HKCU, path), platform::RegStatus::ok) << reg_.last_error();
        ASSERT_EQ(reg_.write_text(HKCU, path, name, text), platform::RegStatus::ok) << reg_.last_error();
    }

    TempDir home_;
    platform::Registry reg_;
    std::string base_;
    std::string root_;
};

} // namespace settings_test
