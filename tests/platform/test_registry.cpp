// The machine's registry: the real Windows registry under a throw-away key in the Windows build,
// the file store in a temporary home natively. The same expectations hold for both.
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using platform::Hive;
using platform::Registry;
using platform::RegKind;
using platform::RegStatus;

namespace {

constexpr Hive HKCU = Hive::current_user;
using Names = std::vector<std::string>;

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(reg_.open_system(home_.str()), RegStatus::ok) << reg_.last_error();
        base_ = "Software\\PelmoraTest\\" + std::to_string(platform::process_id());
        ASSERT_EQ(reg_.create_key(HKCU, base_), RegStatus::ok) << reg_.last_error();
    }
    void TearDown() override {
        reg_.delete_tree(HKCU, base_);
        Names left;
        if (reg_.list_subkeys(HKCU, "Software\\PelmoraTest", left) == RegStatus::ok && left.empty())
            reg_.delete_tree(HKCU, "Software\\PelmoraTest");
    }
    std::string key(const std::string& sub) const { return base_ + "\\" + sub; }

    test_support::TempDir home_;
    Registry reg_;
    std::string base_;
};

TEST_F(RegistryTest, ValuesAndKeysRoundTrip) {
    const std::string root = key("Ravelin98");
    ASSERT_EQ(reg_.create_key(HKCU, root + "\\002\\5"), RegStatus::ok); // with the keys above it
    ASSERT_EQ(reg_.create_key(HKCU, root + "\\0"), RegStatus::ok);
    ASSERT_EQ(reg_.create_key(HKCU, root + "\\Work"), RegStatus::ok);
    EXPECT_TRUE(reg_.key_exists(HKCU, root + "\\002"));

    EXPECT_EQ(reg_.write_text(HKCU, root, "CurrentProfID", "2"), RegStatus::ok);
    EXPECT_EQ(reg_.write_text(HKCU, root, "pName", "first"), RegStatus::ok);
    EXPECT_EQ(reg_.write_text(HKCU, root, "PNAME", "second"), RegStatus::ok) << "names ignore case";
    EXPECT_EQ(reg_.write_text(HKCU, root, "Empty", ""), RegStatus::ok);

    std::string text;
    EXPECT_EQ(reg_.read_text(HKCU, root, "pname", text), RegStatus::ok);
    EXPECT_EQ(text, "second");
    EXPECT_EQ(reg_.read_text(HKCU, root, "Empty", text), RegStatus::ok);
    EXPECT_EQ(text, "");
    EXPECT_EQ(reg_.read_text(HKCU, base_ + "\\RAVELIN98", "CurrentProfID", text), RegStatus::ok);
    EXPECT_EQ(text, "2");

    Names names;
    ASSERT_EQ(reg_.list_subkeys(HKCU, root, names), RegStatus::ok);
    EXPECT_EQ(names, (Names{"0", "002", "Work"}));
    ASSERT_EQ(reg_.list_values(HKCU, root, names), RegStatus::ok);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"CurrentProfID", "Empty", "pName"}));

    EXPECT_EQ(reg_.delete_value(HKCU, root, "pName"), RegStatus::ok);
    EXPECT_EQ(reg_.read_text(HKCU, root, "pName", text), RegStatus::not_found);
    EXPECT_EQ(reg_.delete_value(HKCU, root, "pName"), RegStatus::not_found);

    EXPECT_EQ(reg_.delete_tree(HKCU, root + "\\002"), RegStatus::ok);
    EXPECT_FALSE(reg_.key_exists(HKCU, root + "\\002\\5"));
    EXPECT_FALSE(reg_.key_exists(HKCU, root + "\\002"));
    EXPECT_TRUE(reg_.key_exists(HKCU, root + "\\0"));
    EXPECT_EQ(reg_.delete_tree(HKCU, root + "\\002"), RegStatus::not_found);
}

TEST_F(RegistryTest, MissingKeysAndValuesAreNotFoundAndWritesCreateNothing) {
    std::string text = "stale";
    EXPECT_EQ(reg_.read_text(HKCU, key("nokey"), "v", text), RegStatus::not_found);
    EXPECT_EQ(text, "");
    EXPECT_EQ(reg_.read_text(HKCU, base_, "novalue", text), RegStatus::not_found);
    EXPECT_EQ(reg_.write_text(HKCU, key("nokey"), "v", "x"), RegStatus::not_found);
    EXPECT_FALSE(reg_.key_exists(HKCU, key("nokey")));
    Names names;
    EXPECT_EQ(reg_.list_subkeys(HKCU, key("nokey"), names), RegStatus::not_found);
}

TEST_F(RegistryTest, TextsAreLimitedTo254BytesAndWrittenWithTheFixedLength) {
    const std::string longest(platform::kRegTextMax, 'a');
    ASSERT_EQ(reg_.write_text(HKCU, base_, "Long", longest), RegStatus::ok);
    std::string text;
    ASSERT_EQ(reg_.read_text(HKCU, base_, "Long", text), RegStatus::ok);
    EXPECT_EQ(text, longest);

    // One byte more is refused whole: the old value stays.
    EXPECT_EQ(reg_.write_text(HKCU, base_, "Long", longest + "b"), RegStatus::too_long);
    ASSERT_EQ(reg_.read_text(HKCU, base_, "Long", text), RegStatus::ok);
    EXPECT_EQ(text, longest);
    EXPECT_NE(reg_.last_error().find("254"), std::string::npos);

    // The text ends at a NUL, as a C string.
    ASSERT_EQ(reg_.write_text(HKCU, base_, "Short", std::string("ab\0cd", 5)), RegStatus::ok);
    ASSERT_EQ(reg_.read_text(HKCU, base_, "Short", text), RegStatus::ok);
    EXPECT_EQ(text, "ab");

    std::size_t bytes = 0;
    ASSERT_EQ(reg_.data_size(HKCU, base_, "Short", bytes), RegStatus::ok);
    if (reg_.kind() == RegKind::win32)
        EXPECT_EQ(bytes, platform::kRegDataBytes) << "REG_SZ data is the text padded with NULs to 255 bytes";
    else
        EXPECT_EQ(bytes, 3u);
}

TEST_F(RegistryTest, ShiftJisNamesAndTextsRoundTrip) {
    // "表示" and "ソフト": 0x95 0x5C and 0x83 0x5C end in a byte that looks like a backslash.
    const std::string hyoji = "\x95\x5c\x8e\xa6";
    const std::string soft = "\x83\x5c\x83\x74\x83\x67";
    const std::string text_in = soft + " C:\\" + hyoji + "\\a\"b\" \xb1\xb2\xb3"; // with half-width kana
    const std::string sub = key(hyoji);
    ASSERT_EQ(reg_.create_key(HKCU, sub), RegStatus::ok) << reg_.last_error();
    ASSERT_EQ(reg_.write_text(HKCU, sub, soft, text_in), RegStatus::ok) << reg_.last_error();

    Names names;
    ASSERT_EQ(reg_.list_subkeys(HKCU, base_, names), RegStatus::ok);
    EXPECT_EQ(names, Names{hyoji}) << "the trail byte 0x5C does not split the key name";
    ASSERT_EQ(reg_.list_values(HKCU, sub, names), RegStatus::ok);
    EXPECT_EQ(names, Names{soft});
    std::string text;
    ASSERT_EQ(reg_.read_text(HKCU, sub, soft, text), RegStatus::ok);
    EXPECT_EQ(text, text_in);
}

TEST_F(RegistryTest, BadNamesAreRefused) {
    std::string text;
    for (const std::string& path : {base_ + "\\\\x", base_ + "\\", "\\" + base_, base_ + "\\a\tb",
                                    base_ + "\\" + std::string(256, 'k')})
        EXPECT_EQ(reg_.create_key(HKCU, path), RegStatus::invalid_name) << path;
    EXPECT_EQ(reg_.write_text(HKCU, base_, "line\nfeed", "x"), RegStatus::invalid_name);
    EXPECT_EQ(reg_.write_text(HKCU, base_, "lead\x83", "x"), RegStatus::invalid_name);
    EXPECT_EQ(reg_.delete_tree(HKCU, ""), RegStatus::invalid_name) << "a hive cannot be deleted";
}

TEST_F(RegistryTest, ASecondOpenSeesTheWrittenValues) {
    ASSERT_EQ(reg_.write_text(HKCU, base_, "STOPModeWork", "OFF"), RegStatus::ok);
    Registry again;
    ASSERT_EQ(again.open_system(home_.str()), RegStatus::ok);
    std::string text;
    EXPECT_EQ(again.read_text(HKCU, base_, "STOPModeWork", text), RegStatus::ok);
    EXPECT_EQ(text, "OFF");
}

TEST_F(RegistryTest, ShellFoldersGiveTheApplicationDataFolder) {
    const std::string app_data = platform::app_data_dir(reg_);
    if (reg_.kind() == RegKind::file) {
        EXPECT_EQ(app_data, home_.str()) << "natively AppData defaults to the home directory";
        EXPECT_EQ(platform::program_files_dir(reg_), "");
    } else {
        EXPECT_TRUE(platform::dir_exists(app_data)) << app_data;
        EXPECT_FALSE(platform::program_files_dir(reg_).empty());
    }
}

TEST(RegistryHome, ResolutionOrder) {
    struct Case {
        const char* flag;
        const char* pelmora_home;
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/flag", "/ph", "/xdg", "/home/u", "/flag"},
        {"", "/ph", "/xdg", "/home/u", "/ph"},
        {"", "", "/xdg", "/home/u", "/xdg/pelmora"},
        {"", nullptr, "relative", "/home/u", "/home/u/.config/pelmora"},
        {"", nullptr, nullptr, "/home/u/", "/home/u/.config/pelmora"},
        {"", nullptr, nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        auto env = [&](const char* name) -> std::optional<std::string> {
            const char* v = std::string(name) == "PELMORA_HOME"      ? c.pelmora_home
                            : std::string(name) == "XDG_CONFIG_HOME" ? c.xdg
                            : std::string(name) == "HOME"            ? c.home
                                                                     : nullptr;
            return v ? std::optional<std::string>(v) : std::nullopt;
        };
        EXPECT_EQ(platform::resolve_home(c.flag, env), c.expected)
            << c.flag << "|" << (c.pelmora_home ? c.pelmora_home : "-");
    }
}

} // namespace
