// The REGEDIT4 file store, opened on a directory: the store of the native build, and testable in
// the Windows build too.
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::Hive;
using platform::Registry;
using platform::RegStatus;
using test_support::ReadBytes;
using test_support::WriteBytes;

namespace {

constexpr Hive HKCU = Hive::current_user;
constexpr Hive HKLM = Hive::local_machine;
const std::string kRoot = "Software\\Quillon\\Ravelin98";
// Shift_JIS: "標準のﾌﾟﾛﾌｧｲﾙ", and "表" whose second byte is 0x5C.
const std::string kStandardName = "\x95\x57\x8f\x80\x82\xcc\xcc\xdf\xdb\xcc\xa7\xb2\xd9";
const std::string kHyo = "\x95\x5c";

// prefix followed by the number (built by appending: GCC 12 warns wrongly about "v" + to_string()).
std::string numbered(const char* prefix, std::size_t i) {
    std::string name = prefix;
    name += std::to_string(i);
    return name;
}

class RegFileTest : public ::testing::Test {
  protected:
    std::string file() const { return platform::path_join(dir_.str(), "pelmora.reg"); }
    RegStatus open() { return reg_.open_file(dir_.str()); }

    test_support::TempDir dir_;
    Registry reg_;
};

TEST_F(RegFileTest, WritesTheFileAsRegeditWould) {
    ASSERT_EQ(open(), RegStatus::ok);
    EXPECT_EQ(reg_.store_path(), file());
    ASSERT_EQ(reg_.create_key(HKCU, kRoot + "\\002"), RegStatus::ok);
    ASSERT_EQ(reg_.create_key(HKCU, kRoot + "\\0"), RegStatus::ok);
    ASSERT_EQ(reg_.create_key(HKLM, "SOFTWARE\\Test"), RegStatus::ok);
    EXPECT_EQ(reg_.write_text(HKCU, kRoot, "CurrentProfID", "1"), RegStatus::ok);
    EXPECT_EQ(reg_.write_text(HKCU, kRoot, "pName", kStandardName), RegStatus::ok);
    EXPECT_EQ(reg_.write_text(HKCU, kRoot, "MailAgent", "C:\\" + kHyo + "\\\"m\".exe"), RegStatus::ok);
    EXPECT_EQ(reg_.write_text(HKCU, kRoot + "\\002", "pName", "__XXX__"), RegStatus::ok);
    EXPECT_EQ(reg_.write_text(HKCU, kRoot + "\\0", "", "default"), RegStatus::ok);
    EXPECT_EQ(reg_.write_text(HKLM, "SOFTWARE\\Test", "Lines", "a\r\nb"), RegStatus::ok);
    EXPECT_EQ(reg_.write_text(HKCU, kRoot, "CurrentProfID", "2"), RegStatus::ok) << "keeps its place";

    // Keys with values or without subkeys, parents first, in case-insensitive order; a backslash
    // and a quote are escaped, the 0x5C of a double-byte character is not; a text with line breaks
    // goes as hex(1) bytes.
    const std::string expected = "REGEDIT4\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98]\r\n"
                                 "\"CurrentProfID\"=\"2\"\r\n"
                                 "\"pName\"=\"" +
                                 kStandardName +
                                 "\"\r\n"
                                 "\"MailAgent\"=\"C:\\\\" +
                                 kHyo +
                                 "\\\\\\\"m\\\".exe\"\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98\\0]\r\n"
                                 "@=\"default\"\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Quillon\\Ravelin98\\002]\r\n"
                                 "\"pName\"=\"__XXX__\"\r\n"
                                 "\r\n"
                                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                                 "\"Lines\"=hex(1):61,0d,0a,62,00\r\n"
                                 "\r\n";
    EXPECT_EQ(ReadBytes(file()), expected);
    EXPECT_FALSE(platform::file_exists(file() + ".tmp"));

    // And it reads back the same.
    Registry again;
    ASSERT_EQ(again.open_file(dir_.str()), RegStatus::ok) << again.last_error();
    std::string text;
    EXPECT_EQ(again.read_text(HKCU, kRoot, "pName", text), RegStatus::ok);
    EXPECT_EQ(text, kStandardName);
    EXPECT_EQ(again.read_text(HKCU, kRoot, "MailAgent", text), RegStatus::ok);
    EXPECT_EQ(text, "C:\\" + kHyo + "\\\"m\".exe");
    EXPECT_EQ(again.read_text(HKLM, "SOFTWARE\\Test", "Lines", text), RegStatus::ok);
    EXPECT_EQ(text, "a\r\nb");
    EXPECT_EQ(again.read_text(HKCU, kRoot + "\\0", "", text), RegStatus::ok);
    EXPECT_EQ(text, "default");
    EXPECT_TRUE(again.key_exists(HKCU, "Software\\Quillon")) << "keys above a written key exist";
}

TEST_F(RegFileTest, TextsOfAnyBytesSurviveARewrite) {
    ASSERT_EQ(open(), RegStatus::ok);
    ASSERT_EQ(reg_.create_key(HKCU, "K"), RegStatus::ok);
    const std::vector<std::string> texts = {
        "\\",        "\"",
        "\\\"",      kHyo,
        kHyo + "\\", kHyo + "\"",
        "\x83",    // a lead byte alone at the end
        "\x83\"",  // a lead byte before a quote
        "\x83\\x", // a lead byte before a backslash: the pair reads as one character
        "tab\there", std::string("\x01\x1f\x7f\xff", 4),
        " spaces  ",
    };
    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(reg_.write_text(HKCU, "K", numbered("v", i), texts[i]), RegStatus::ok);
    Registry again;
    ASSERT_EQ(again.open_file(dir_.str()), RegStatus::ok) << again.last_error() << "\n" << ReadBytes(file());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string text;
        EXPECT_EQ(again.read_text(HKCU, "K", numbered("v", i), text), RegStatus::ok);
        EXPECT_EQ(text, texts[i]) << "value " << i;
    }
}

TEST_F(RegFileTest, ReadsAHandWrittenFileAndKeepsValuesItDoesNotUse) {
    WriteBytes(file(), "REGEDIT4\n"
                       "\n"
                       "; a comment\n"
                       "[HKEY_CURRENT_USER\\Software\\A]\n"
                       "  \"Name\" = \"one\"  \n"
                       "\"Count\"=dword:00000010\n"
                       "\"Hex\"=hex(1):41,42,\\\n"
                       "  43,00,44\n"
                       "\"name\"=\"two\"\n"
                       "[hkey_current_user\\SOFTWARE\\a\\B]\r\n"
                       "@=\"b\"\r\n");
    ASSERT_EQ(open(), RegStatus::ok) << reg_.last_error();
    std::string text;
    EXPECT_EQ(reg_.read_text(HKCU, "Software\\A", "NAME", text), RegStatus::ok);
    EXPECT_EQ(text, "two") << "a later line for the same name wins";
    EXPECT_EQ(reg_.read_text(HKCU, "Software\\A", "Hex", text), RegStatus::ok);
    EXPECT_EQ(text, "ABC") << "hex(1) text ends at its NUL";
    EXPECT_EQ(reg_.read_text(HKCU, "Software\\A", "Count", text), RegStatus::wrong_type);
    EXPECT_EQ(reg_.read_text(HKCU, "Software\\A\\B", "", text), RegStatus::ok);
    EXPECT_EQ(text, "b");

    ASSERT_EQ(reg_.write_text(HKCU, "Software\\A", "New", "3"), RegStatus::ok);
    EXPECT_EQ(ReadBytes(file()), "REGEDIT4\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                                 "\"name\"=\"two\"\r\n"
                                 "\"Count\"=dword:00000010\r\n"
                                 "\"Hex\"=\"ABC\"\r\n"
                                 "\"New\"=\"3\"\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\A\\B]\r\n"
                                 "@=\"b\"\r\n"
                                 "\r\n");
}

// A value continued after "\ \" and an empty line: what the first load reads is what every
// load of the rewritten file reads (the rewrite once turned it into a continuation that took
// the next value with it).
TEST_F(RegFileTest, AContinuedValueReadsTheSameAfterRewrites) {
    WriteBytes(file(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"
                       "\"Bin\"=hex:01,02\\ \\\r\n"
                       "\r\n"
                       "\"Next\"=\"kept\"\r\n"
                       "\"Last\"=\"kept\"\r\n");
    std::vector<std::string> loads;
    for (int round = 0; round < 3; ++round) {
        Registry reg;
        ASSERT_EQ(reg.open_file(dir_.str()), RegStatus::ok) << reg.last_error() << "\n" << ReadBytes(file());
        std::vector<std::string> names;
        ASSERT_EQ(reg.list_values(HKCU, "A", names), RegStatus::ok);
        std::string text;
        EXPECT_EQ(reg.read_text(HKCU, "A", "Last", text), RegStatus::ok);
        std::string load;
        for (const std::string& name : names)
            load += name + ";";
        loads.push_back(load);
        ASSERT_EQ(reg.write_text(HKCU, "A", numbered("w", round), "x"), RegStatus::ok);
    }
    EXPECT_EQ(loads[1], loads[0] + "w0;");
    EXPECT_EQ(loads[2], loads[1] + "w1;");
}

TEST_F(RegFileTest, ABadFileIsNeverOverwritten) {
    const char* bad_files[] = {
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"unterminated\r\n",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"bad \\n escape\"\r\n",
        "REGEDIT4\r\n\r\n[HKEY_USERS\\A]\r\n",
        "REGEDIT4\r\n\r\n\"v\"=\"before any key\"\r\n",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"x\" junk\r\n",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\r\n",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\\\\B]\r\n",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=hex(1):4g\r\n",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\\\r\n\r\n",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\\\r\n \"x\"\r\n",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\ngarbage\r\n",
    };
    for (const char* bytes : bad_files) {
        SCOPED_TRACE(bytes);
        WriteBytes(file(), bytes);
        Registry reg;
        ASSERT_EQ(reg.open_file(dir_.str()), RegStatus::corrupt);
        EXPECT_NE(reg.last_error().find("line "), std::string::npos) << reg.last_error();
        std::string text;
        EXPECT_EQ(reg.read_text(HKCU, "A", "v", text), RegStatus::corrupt);
        EXPECT_EQ(reg.create_key(HKCU, "B"), RegStatus::corrupt);
        EXPECT_EQ(reg.write_text(HKCU, "A", "v", "new"), RegStatus::corrupt);
        EXPECT_EQ(reg.flush(), RegStatus::corrupt);
        EXPECT_EQ(ReadBytes(file()), bytes);
    }

    // Setting it aside keeps the bytes as pelmora.reg.bad and starts over.
    Registry reg;
    ASSERT_EQ(reg.open_file(dir_.str()), RegStatus::corrupt);
    ASSERT_EQ(reg.set_aside_corrupt(), RegStatus::ok) << reg.last_error();
    EXPECT_EQ(ReadBytes(file() + ".bad"), bad_files[std::size(bad_files) - 1]);
    ASSERT_EQ(reg.create_key(HKCU, "B"), RegStatus::ok);
    EXPECT_EQ(ReadBytes(file()), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n\r\n");
}

TEST_F(RegFileTest, EmptyOrMissingFileIsAnEmptyStore) {
    ASSERT_EQ(open(), RegStatus::ok);
    EXPECT_FALSE(platform::file_exists(file())) << "opening writes nothing";
    WriteBytes(file(), "");
    Registry reg;
    EXPECT_EQ(reg.open_file(dir_.str()), RegStatus::ok);
    EXPECT_FALSE(reg.key_exists(HKCU, "Software"));
}

TEST_F(RegFileTest, ABatchWritesTheFileOnceAtItsEnd) {
    ASSERT_EQ(open(), RegStatus::ok);
    {
        Registry::Batch outer(reg_);
        ASSERT_EQ(reg_.create_key(HKCU, kRoot), RegStatus::ok);
        {
            Registry::Batch inner(reg_);
            for (int i = 0; i < 30; ++i)
                ASSERT_EQ(reg_.write_text(HKCU, kRoot, numbered("V", i), "x"), RegStatus::ok);
        }
        EXPECT_FALSE(platform::file_exists(file())) << "nested batches wait for the outermost";
        EXPECT_EQ(outer.commit(), RegStatus::ok);
        EXPECT_TRUE(platform::file_exists(file()));
    }
    Registry again;
    ASSERT_EQ(again.open_file(dir_.str()), RegStatus::ok);
    std::vector<std::string> names;
    ASSERT_EQ(again.list_values(HKCU, kRoot, names), RegStatus::ok);
    EXPECT_EQ(names.size(), 30u);
}

TEST_F(RegFileTest, AFailedWriteIsReportedAndRetried) {
    // The store's directory cannot be created: a file stands in its place.
    const std::string blocked = platform::path_join(dir_.str(), "blocked");
    WriteBytes(blocked, "x");
    Registry reg;
    ASSERT_EQ(reg.open_file(blocked), RegStatus::ok);
    EXPECT_EQ(reg.create_key(HKCU, "A"), RegStatus::io_error);
    EXPECT_NE(reg.last_error().find("blocked"), std::string::npos) << reg.last_error();
    EXPECT_TRUE(reg.key_exists(HKCU, "A")) << "the change stays in memory";
    ASSERT_TRUE(platform::remove_file(blocked));
    EXPECT_EQ(reg.flush(), RegStatus::ok) << "and is written by the next flush";
    EXPECT_NE(ReadBytes(platform::path_join(blocked, "pelmora.reg")).find("[HKEY_CURRENT_USER\\A]"),
              std::string::npos);
}

TEST_F(RegFileTest, AppDataDefaultsToTheStoresDirectory) {
    ASSERT_EQ(open(), RegStatus::ok);
    EXPECT_EQ(platform::app_data_dir(reg_), dir_.str());
    ASSERT_EQ(reg_.create_key(HKCU, platform::kShellFoldersKey), RegStatus::ok);
    ASSERT_EQ(reg_.write_text(HKCU, platform::kShellFoldersKey, "AppData", "/elsewhere"), RegStatus::ok);
    EXPECT_EQ(platform::app_data_dir(reg_), "/elsewhere");
}

} // namespace

namespace {

// A large file loads in time linear in its size: 100,000 values in one key and 10,000 keys
// (the quadratic load took minutes here). A rewrite keeps them all; the last value of a name
// given twice wins.
TEST_F(RegFileTest, ALargeFileLoadsAndRewritesWhole) {
    constexpr std::size_t kValues = 100000, kKeys = 10000;
    std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Big]\r\n";
    for (std::size_t i = 0; i < kValues; ++i)
        text += "\"" + numbered("Value", i) + "\"=\"" + numbered("text ", i) + "\"\r\n";
    text += "\"value7\"=\"again\"\r\n\r\n";
    for (std::size_t i = 0; i < kKeys; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\Keys\\" + numbered("K", i) + "]\r\n\"v\"=\"" +
                numbered("", i) + "\"\r\n\r\n";
    WriteBytes(file(), text);

    ASSERT_EQ(open(), RegStatus::ok) << reg_.last_error();
    std::string value;
    EXPECT_EQ(reg_.read_text(HKCU, "Software\\Big", "VALUE99999", value), RegStatus::ok);
    EXPECT_EQ(value, "text 99999");
    EXPECT_EQ(reg_.read_text(HKCU, "Software\\Big", "Value7", value), RegStatus::ok);
    EXPECT_EQ(value, "again");
    EXPECT_EQ(reg_.read_text(HKCU, "Software\\Keys\\K9999", "v", value), RegStatus::ok);
    EXPECT_EQ(value, "9999");

    ASSERT_EQ(reg_.write_text(HKCU, "Software\\Big", "Value0", "changed"), RegStatus::ok);
    ASSERT_EQ(reg_.delete_value(HKCU, "Software\\Big", "Value1"), RegStatus::ok);
    ASSERT_EQ(reg_.write_text(HKCU, "Software\\Big", "Added", "new"), RegStatus::ok);
    Registry again;
    ASSERT_EQ(again.open_file(dir_.str()), RegStatus::ok);
    std::vector<std::string> names;
    ASSERT_EQ(again.list_values(HKCU, "Software\\Big", names), RegStatus::ok);
    ASSERT_EQ(names.size(), kValues);
    EXPECT_EQ(names.front(), "Value0");
    EXPECT_EQ(names[1], "Value2");
    EXPECT_EQ(names.back(), "Added");
    for (const char* name : {"Value0", "Value2", "Value99999", "Added"})
        EXPECT_EQ(again.read_text(HKCU, "Software\\Big", name, value), RegStatus::ok) << name;
    EXPECT_EQ(again.read_text(HKCU, "Software\\Big", "Value1", value), RegStatus::not_found);
}

} // namespace
