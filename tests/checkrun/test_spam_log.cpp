// The spam deletion log SpamDelLog.csv against its golden file, and the confirmation text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "corvex/checkrun/spam_step.h"
#include "support/checkrun_support.h"

namespace checkrun_test {
namespace {

corvex::Recipient To(const std::string& address, const std::string& name = "") {
    return {Sj(address), Sj(address), Sj(name)};
}

// The summary of a message as the spam step sees it (texts in UTF-8 here).
corvex::MessageSummary Message(std::vector<corvex::Recipient> to, const std::string& from_address,
                               const std::string& from_name, const std::string& subject,
                               const std::string& mailer, int attachment, int html, const std::string& sent,
                               const std::string& received) {
    corvex::MessageSummary m;
    m.to = std::move(to);
    m.from_address = Sj(from_address);
    m.from_name = Sj(from_name);
    m.subject = Sj(subject);
    m.mailer = Sj(mailer);
    m.attachment = attachment;
    m.html = html;
    m.send_date = Sj(sent);
    m.received_date = Sj(received);
    return m;
}

const corvex::MessageSummary kThreeRecipients = Message(
    {To("ann@example.com", "Ann"), To("bob@example.com"), To("carol@example.com")}, "spam@example.com",
    "Spammer", "say \"hi\", now", "Mailer 1.0", 1, 1, "2024/01/02 08:29", "2024/01/02 08:30");
const corvex::MessageSummary kNoRecipient =
    Message({}, "不明", "不明", "未承諾広告※", "不明", 0, 0, "不明", "不明");
const corvex::MessageSummary kOneRecipient =
    Message({To("bob@example.com")}, "x@example.net", "x@example.net", "line\r\nbreak", "不明", 0, 1,
            "2023/12/31 23:59", "2024/01/01 00:01");

TEST(SpamLogTest, MatchesTheGoldenFileAndAppendsWithoutASecondHeader) {
    AccountFiles files("pop.example.com", "bob");
    {
        corvex::SpamLog log;
        ASSERT_TRUE(log.Open(files.data_dir()));
        log.Write(kThreeRecipients, {2024, 1, 2, 9, 5, 59});
        log.Write(kNoRecipient, {2024, 11, 30, 23, 0, 0});
        EXPECT_TRUE(log.Close());
    }
    const std::unique_ptr<corvex::SpamLog> again = corvex::OpenSpamLog(files.data_dir());
    ASSERT_NE(again, nullptr);
    again->Write(kOneRecipient, {2025, 2, 3, 4, 5, 6});
    EXPECT_TRUE(again->Close());

    const std::string golden = ReadBytes(std::string(PELMORA_TEST_DATA) + "/checkrun/golden/SpamDelLog.csv");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(ReadBytes(corvex::SpamLogPath(files.data_dir())), golden);
}

TEST(SpamLogTest, LogThatCannotBeCreatedFailsToOpen) {
    AccountFiles files("pop.example.com", "bob");
    // The data directory is missing (a file stands where its parent should be).
    WriteBytes(files.DataFile("..") + "/blocked", "");
    EXPECT_EQ(corvex::OpenSpamLog(files.DataFile("../blocked/Corvex")), nullptr);
}

// A spreadsheet opens the log: a value it would take as a formula is written as text.
TEST(SpamLogTest, ValueThatLooksLikeAFormulaGetsASingleQuote) {
    struct Case {
        const char* subject;
        const char* field; // as the record holds it
    };
    for (const Case& c :
         {Case{"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
          Case{"+1+cmd", "\"'+1+cmd\""}, Case{"-2+3", "\"'-2+3\""}, Case{"@SUM(A1)", "\"'@SUM(A1)\""},
          Case{"\t=1", "\"'\t=1\""}, Case{"\r=1", "\"' =1\""}, Case{"a=1", "\"a=1\""}, Case{" =1", "\" =1\""},
          Case{"", "\"\""}}) {
        SCOPED_TRACE(c.subject);
        corvex::MessageSummary m = kOneRecipient;
        m.subject = c.subject;
        EXPECT_THAT(Utf8(corvex::SpamLogRecord(m, {2025, 2, 3, 4, 5, 6})),
                    ::testing::HasSubstr(",\"x@example.net\"," + std::string(c.field) + ",\"不明\" ,"));
    }
    // The address columns are guarded too.
    corvex::MessageSummary m = kOneRecipient;
    m.from_address = "=cmd|'/c calc'!A0";
    m.to = {To("-x@example.com"), To("b@example.com")};
    EXPECT_THAT(
        Utf8(corvex::SpamLogRecord(m, {2025, 2, 3, 4, 5, 6})),
        ::testing::StartsWith("2025/02/03 04:05,\"'-x@example.com他 複数宛\",\"'=cmd|'/c calc'!A0\","));
}

TEST(SpamConfirmationTest, EightLabelledLines) {
    EXPECT_EQ(Utf8(corvex::SpamConfirmationText(kThreeRecipients)),
              "【　宛　先　】\tAnn<ann@example.com>他 複数宛\r\n"
              "【 差 出 人 】\tSpammer<spam@example.com>\r\n"
              "【　件　名　】\tsay \"hi\", now\r\n"
              "【 ﾒｰﾗｰ種別 】\tMailer 1.0\r\n"
              "【 添付ﾌｧｲﾙ 】\t有\r\n"
              "【 ﾒｰﾙ ﾀｲﾌﾟ 】\tHTMLﾒｰﾙ\r\n"
              "【 受信日時 】\t2024/01/02 08:30\r\n"
              "【 送信日時 】\t2024/01/02 08:29");
    EXPECT_EQ(Utf8(corvex::SpamConfirmationText(kNoRecipient)), "【　宛　先　】\t<記述無し>\r\n"
                                                                "【 差 出 人 】\t不明<不明>\r\n"
                                                                "【　件　名　】\t未承諾広告※\r\n"
                                                                "【 ﾒｰﾗｰ種別 】\t不明\r\n"
                                                                "【 添付ﾌｧｲﾙ 】\t無\r\n"
                                                                "【 ﾒｰﾙ ﾀｲﾌﾟ 】\tﾃｷｽﾄﾒｰﾙ\r\n"
                                                                "【 受信日時 】\t不明\r\n"
                                                                "【 送信日時 】\t不明");
}

} // namespace
} // namespace checkrun_test
