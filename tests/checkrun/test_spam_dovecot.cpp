// Spam deletion during a check against a real Dovecot: at once, after a confirmation the
// user accepts, and kept when the user declines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/checkrun_dovecot.h"

namespace checkrun_test {
namespace {

using ::testing::ElementsAre;

class SpamCheckTest : public DovecotCheckTest {
  protected:
    void SetUp() override {
        DovecotCheckTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Deliver(TestMail(1));
        Deliver(kSpam);
        Deliver(TestMail(3));
        input.spam_check = 1;
    }

    std::vector<std::string> Subjects() const {
        std::vector<std::string> subjects;
        for (const ReportBlock& b : files.Blocks())
            subjects.push_back(b.subject);
        return subjects;
    }

    // Three recipients and a sender in capitals; the log and the confirmation see the
    // sender's address lower-cased by the matcher.
    const std::string kSpam = "Received: from mx by pop.example.com; Tue, 2 Jan 2024 08:30:00 +0900\n"
                              "From: Spammer <Spam@Example.COM>\n"
                              "To: Ann <ann@example.com>, bob@example.com, carol@example.com\n"
                              "Subject: buy cheap stuff\n"
                              "Message-ID: <spam@example.com>\n"
                              "Date: Tue, 2 Jan 2024 08:29:00 +0900\n"
                              "X-Mailer: BulkMailer 9\n"
                              "\n"
                              "offer\n";
    const std::string kRecordTail =
        ",\"ann@example.com他 複数宛\",\"spam@example.com\",\"buy cheap stuff\","
        "\"BulkMailer 9\" ,\"無\",\"ﾃｷｽﾄﾒｰﾙ\",\"2024/01/02 08:29\",\"2024/01/02 08:30\"";
};

TEST_F(SpamCheckTest, MatchDeletedAtOnceIsLoggedAndDropped) {
    WriteSpamPattern("*cheap*", 0);
    RecordingUi ui;
    EXPECT_EQ(Check(ui), 2);
    EXPECT_TRUE(ui.confirmations.empty());
    EXPECT_EQ(input.remaining, 2);
    EXPECT_THAT(Subjects(), ElementsAre("message 3", "message 1"));
    EXPECT_THAT(files.Report().back(), FullyMatches("\\[INF\\] 3 [0-9]+ 2 2"));
    EXPECT_EQ(MessagesOnServer(), 2);
    EXPECT_EQ(ReadLines(files.SeenList()).size(), 2u);

    const std::vector<std::string> log = ReadLines(files.DataFile("SpamDelLog.csv"));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].substr(16), kRecordTail);
    EXPECT_THAT(log[1].substr(0, 16),
                FullyMatches("20[0-9][0-9]/[01][0-9]/[0-3][0-9] [0-2][0-9]:[0-5][0-9]"));
}

// The pattern's character 告 is the byte pair 8D 90, which "マクロ生成" holds across the end of
// ロ and the start of 生: that mail is no spam and stays on the server.
TEST_F(SpamCheckTest, APatternMatchesWholeCharactersOfTheDecodedSubject) {
    Deliver("From: shop@example.com\n"
            "Subject: =?ISO-2022-JP?B?GyRCJV4lLyVtQDhALiROJDQwRkZiGyhC?=\n"
            "Message-ID: <macro@example.com>\n\nbody\n");
    Deliver("From: shop@example.com\n"
            "Subject: =?ISO-2022-JP?B?GyRCOS05cCROJCpDTiRpJDsbKEI=?=\n"
            "Message-ID: <advert@example.com>\n\nbody\n");
    WriteSpamPattern("*告*", 0);
    RecordingUi ui;
    Check(ui);
    EXPECT_EQ(MessagesOnServer(), 4);
    const std::vector<std::string> subjects = Subjects();
    EXPECT_NE(std::find(subjects.begin(), subjects.end(), "マクロ生成のご案内"), subjects.end());
    EXPECT_EQ(std::find(subjects.begin(), subjects.end(), "広告のお知らせ"), subjects.end());
}

TEST_F(SpamCheckTest, ConfirmationDecidesWhetherTheMatchIsDeleted) {
    WriteSpamPattern("*cheap*", 1);
    settings.spam_close_sec = "5";
    const std::string confirmation = "【　宛　先　】\tAnn<ann@example.com>他 複数宛\r\n"
                                     "【 差 出 人 】\tSpammer<spam@example.com>\r\n"
                                     "【　件　名　】\tbuy cheap stuff\r\n"
                                     "【 ﾒｰﾗｰ種別 】\tBulkMailer 9\r\n"
                                     "【 添付ﾌｧｲﾙ 】\t無\r\n"
                                     "【 ﾒｰﾙ ﾀｲﾌﾟ 】\tﾃｷｽﾄﾒｰﾙ\r\n"
                                     "【 受信日時 】\t2024/01/02 08:30\r\n"
                                     "【 送信日時 】\t2024/01/02 08:29";
    {
        SCOPED_TRACE("declined");
        RecordingUi ui;
        ui.confirm_answer = 2;
        EXPECT_EQ(Check(ui), 3);
        EXPECT_THAT(ui.confirmations, ElementsAre(confirmation));
        EXPECT_THAT(ui.countdowns, ElementsAre(10)); // "5" is below the bound
        const std::vector<ReportBlock> blocks = files.Blocks();
        ASSERT_EQ(blocks.size(), 3u);
        EXPECT_EQ(blocks[1].subject, "buy cheap stuff");
        EXPECT_EQ(blocks[1].new_flag, 2);
        EXPECT_EQ(files.Report().back(), "[INF] -1 -1 0 0");
        EXPECT_THAT(ReadLines(files.CacheFile(blocks[1].cache_name)),
                    ::testing::Contains("[XXX] 0 2 Spammer"));
        EXPECT_EQ(MessagesOnServer(), 3);
        EXPECT_EQ(ReadLines(files.DataFile("SpamDelLog.csv")).size(), 1u);
    }
    {
        // A kept match is looked at again by the next check (its cache says so); now it goes.
        SCOPED_TRACE("accepted");
        UsePreviousValues();
        RecordingUi ui;
        ui.confirm_answer = 1;
        Check(ui);
        EXPECT_THAT(ui.confirmations, ElementsAre(confirmation));
        EXPECT_THAT(Subjects(), ElementsAre("message 3", "message 1"));
        EXPECT_EQ(MessagesOnServer(), 2);
        const std::vector<std::string> log = ReadLines(files.DataFile("SpamDelLog.csv"));
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[1].substr(16), kRecordTail);
    }
}

} // namespace
} // namespace checkrun_test
