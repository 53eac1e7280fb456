// The whitelist FriendList.dat and its work copy.
#include <gtest/gtest.h>

#include <string>

#include "corvex/filters/whitelist.h"
#include "support/filter_files.h"

using namespace corvex;
using filter_files::DataDir;
using filter_files::ReadBytes;
using filter_files::WriteBytes;

namespace {

TEST(Whitelist, MissingFileWhitelistsNobodyButStillLowersTheAddress) {
    DataDir dir;
    std::string address = "Friend@Example.COM";
    EXPECT_FALSE(IsWhitelisted(dir.str(), address));
    EXPECT_EQ(address, "friend@example.com");
}

TEST(Whitelist, EntriesAreWholeTokensComparedWithoutCase) {
    DataDir dir;
    WriteBytes(FriendListPath(dir.str()),
               "Boss@Work.example\r\n  a@one.example\tb@two.example \r\n*@wild.example\r\nlast@end.example");
    struct Case {
        const char* address;
        bool listed;
    };
    const Case cases[] = {
        {"boss@work.example", true},     {"BOSS@WORK.EXAMPLE", true},
        {"b@two.example", true},                                           // a second token on a line
        {"last@end.example", true},                                        // last line without line end
        {"someone@wild.example", false},                                   // no wildcards
        {"*@wild.example", true},        {"boss@work.example.org", false}, // exact, not a prefix
        {"ss@work.example", false},      {"", false},
    };
    for (const Case& c : cases) {
        std::string address = c.address;
        EXPECT_EQ(IsWhitelisted(dir.str(), address), c.listed) << c.address;
    }
}

TEST(Whitelist, SettingsPageReadsTokensAndWritesItsWorkCopy) {
    DataDir dir;
    WriteBytes(FriendListPath(dir.str()), "a@x b@y\r\n\r\nc@z\r\n");
    EXPECT_EQ(ReadWhitelist(dir.str()), (std::vector<std::string>{"a@x", "b@y", "c@z"}));
    EXPECT_EQ(ReadWhitelist(dir.str(), 2), (std::vector<std::string>{"a@x", "b@y"}));

    const std::string long_line(200, 'l');
    ASSERT_TRUE(WriteWhitelistWorkCopy(dir.str(), {"a@x", "", "b@y\r", long_line}));
    EXPECT_EQ(ReadBytes(FriendListWorkPath(dir.str())),
              "a@x\r\nb@y\r\n" + std::string(kWhitelistLineMax, 'l') + "\r\n");
    EXPECT_EQ(ReadBytes(FriendListPath(dir.str())), "a@x b@y\r\n\r\nc@z\r\n"); // until committed
}

} // namespace
