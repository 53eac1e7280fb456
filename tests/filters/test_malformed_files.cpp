// Damaged list files: random bytes, over-long lines and tokens, NUL bytes and broken Base64
// must never crash a reader or the matching.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "corvex/engine/message_summary.h"
#include "corvex/filters/action_filters.h"
#include "corvex/filters/spam_list.h"
#include "corvex/filters/whitelist.h"
#include "support/filter_files.h"

using namespace corvex;
using filter_files::DataDir;
using filter_files::kAccount;
using filter_files::WriteBytes;

namespace {

std::string Garbage(std::mt19937& rng) {
    static const std::string pieces[] = {
        "QUJD", "QQ", "==",          " ",   "\t",   "\r\n",   "\n", "\r", std::string(1, '\0'), "|", "0",
        "1",    "-7", "99999999999", "SND", "\x83", "\x1b$B", "*",  "?"};
    std::string out;
    for (int i = rng() % 80; i > 0; --i) {
        if (rng() % 10 == 0)
            out += std::string(rng() % 3000, static_cast<char>('A' + rng() % 26));
        else if (rng() % 4 == 0)
            out += static_cast<char>(rng() % 256);
        else
            out += pieces[rng() % std::size(pieces)];
    }
    return out;
}

TEST(MalformedFiles, ReadersAndMatchersSurviveRandomContent) {
    DataDir dir;
    std::mt19937 rng(20250101);
    for (int round = 0; round < 150; ++round) {
        WriteBytes(SpamListPath(dir.str()), Garbage(rng));
        WriteBytes(FriendListPath(dir.str()), Garbage(rng));
        WriteBytes(ActionFilterPath(dir.str(), 1), Garbage(rng));
        WriteBytes(LegacyFilterPath(dir.str(), 1), Garbage(rng));
        WriteBytes(ProgramListPath(dir.str()), Garbage(rng));
        WriteBytes(SendSettingListPath(dir.str()), Garbage(rng));

        MessageSummary m;
        m.to = {{"", Garbage(rng), Garbage(rng)}, {"", "a@b", ""}};
        m.from_address = Garbage(rng);
        m.from_name = Garbage(rng);
        m.match_subject = Garbage(rng);
        m.mailer = Garbage(rng);
        int spam = MatchSpamPatterns(dir.str(), m);
        EXPECT_TRUE(spam >= 0 && spam <= 2);
        SpamPatternExists(dir.str(), Garbage(rng));
        ReadSpamList(dir.str());
        ReadWhitelist(dir.str());
        int filtered = RunActionFilters({dir.str(), 1, kAccount}, 2, 1, "0-0101000000-1", m);
        EXPECT_TRUE(filtered >= 1 && filtered <= 3);
        LoadProfileFilters(dir.str(), 1, true);
        std::string value, path;
        ReadActionLine(ProgramListPath(dir.str()), static_cast<int>(rng() % 5), value, path);
        ReadSendSettings(dir.str());
    }
}

} // namespace
