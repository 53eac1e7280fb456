// The action filter files of a profile and the filters' work during a check: the answer for
// the notification and the actions queued in the hand-over lists.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "corvex/engine/message_summary.h"
#include "corvex/filters/action_filters.h"
#include "corvex/filters/stored_text.h"
#include "support/filter_files.h"

using namespace corvex;
using filter_files::DataDir;
using filter_files::Exists;
using filter_files::kAccount;
using filter_files::ReadBytes;
using filter_files::Sj;
using filter_files::WriteBytes;

namespace {

const char kCache[] = "0-0102030405-1";

ActionFilter Notify() {
    return ActionFilter{};
}

ActionFilter Silence() {
    ActionFilter f;
    f.no_notify = 1;
    f.notify = 0;
    return f;
}

ActionFilter Sound(const std::string& file) {
    ActionFilter f;
    f.play_sound = 1;
    f.sound = file;
    return f;
}

Recipient To(const std::string& address, const std::string& name = "") {
    return {"", address, name};
}

MessageSummary Message() {
    MessageSummary m;
    m.to = {To("me@home.example", "Me")};
    m.from_address = "news@shop.example";
    m.from_name = "Shop News";
    m.match_subject = Sj("週末のセール");
    return m;
}

class Filters : public ::testing::Test {
  protected:
    DataDir dir;
    MessageSummary message = Message();
    FilterAccount account{dir.str(), 3, kAccount};

    void Write(const std::vector<ActionFilter>& filters) {
        std::string bytes;
        for (const ActionFilter& f : filters)
            bytes += FormatActionFilterLine(f) + "\r\n";
        WriteBytes(ActionFilterPath(dir.str(), 3), bytes);
    }
    int Run(int mode, int newly_cached = 1) {
        return RunActionFilters(account, mode, newly_cached, kCache, message);
    }
    std::string Sounds() { return ReadBytes(SoundListPath(dir.str(), kAccount)); }
    std::string Programs() { return ReadBytes(ProgramListPath(dir.str())); }
    std::string Sends() { return ReadBytes(SendListPath(dir.str())); }
};

TEST(ActionFilterFile, LineOnDiskMatchesGolden) {
    ActionFilter f;
    f.sender = "*@news.example";
    f.subject = Sj("*セール*");
    f.sound = "\"C:\\Sounds\\a.wav\"";
    f.program = "notepad.exe %SUBJECT";
    f.send_setting = "test";
    f.play_sound = 1;
    f.start_program = 1;
    DataDir dir;
    ASSERT_TRUE(WriteActionFilterWorkCopy(dir.str(), {f}));
    EXPECT_EQ(ReadBytes(ActionFilterWorkPath(dir.str())),
              "LS0tGyRCPnI3b0w1JDcbKEgtLS0A KkBuZXdzLmV4YW1wbGUA KhskQiU7ITwlaxsoSCoA "
              "SNDIkM6XFNvdW5kc1xhLndhdiIA APLbm90ZXBhZC5leGUgJVNVQkpFQ1QA ACTdGVzdAA= 0 1 1 1 0\r\n");
    std::vector<ActionFilter> read;
    ASSERT_TRUE(ReadActionFilters(ActionFilterWorkPath(dir.str()), read));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].recipient, texts::kFilterNoCondition);
    EXPECT_EQ(read[0].sender, "*@news.example");
    EXPECT_EQ(read[0].subject, Sj("*セール*"));
    EXPECT_EQ(read[0].sound, "\"C:\\Sounds\\a.wav\"");
    EXPECT_EQ(read[0].program, "notepad.exe %SUBJECT");
    EXPECT_EQ(read[0].send_setting, "test");
    EXPECT_EQ(read[0].play_sound, 1);
    EXPECT_EQ(read[0].send_mail, 0);
}

// A sound path, a program with arguments, or a pattern holding "\\", "\(" or "\)" comes back
// exactly as stored: the comment-escape rule of mail text does not touch stored texts. ソ
// (83 5C) has a backslash for its trail byte, and FA 5C is an extension character that the
// stored form keeps as raw bytes.
TEST(StoredText, EveryShiftJisTextRoundTripsWithItsBackslashes) {
    const std::string texts[] = {
        "\\\\fileserver\\sounds\\ding.wav",
        "C:\\Mail\\mail.exe /f \"D:\\box\\(in)\\\\x.mbx\"",
        "a\\(b\\)c\\\\",
        Sj("ソ\\\\ソ(\\)表示\\"),
        std::string("\xFA\x5C\\(", 4),
        "",
    };
    for (const std::string& text : texts)
        EXPECT_EQ(corvex::DecodeStoredText(EncodeStoredText(text)), text) << text;

    DataDir dir;
    ActionFilter filter = Notify();
    filter.sound = "\\\\fileserver\\sounds\\ding.wav";
    filter.program = "\"C:\\Mail\\mail.exe\" \\\\";
    WriteBytes(dir.File("AFilter.001"), FormatActionFilterLine(filter) + "\r\n");
    std::vector<ActionFilter> read;
    ASSERT_TRUE(ReadActionFilters(dir.File("AFilter.001"), read));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].sound, filter.sound);
    EXPECT_EQ(read[0].program, filter.program);
}

TEST(ActionFilterFile, EmptyFieldsKeepTheirPrefixAndReadingStopsAtABadLine) {
    DataDir dir;
    const std::string good = FormatActionFilterLine(Notify());
    EXPECT_NE(good.find(" SNDAA== APLAA== ACTAA== 0 1 0 0 0"), std::string::npos) << good;
    WriteBytes(dir.File("AFilter.001"),
               good + "\r\n" + good + "\r\nA B C SND APL ACT 0 1 0 0\r\n" + good + "\r\n");
    std::vector<ActionFilter> read;
    ASSERT_TRUE(ReadActionFilters(dir.File("AFilter.001"), read));
    EXPECT_EQ(read.size(), 2u);
    EXPECT_FALSE(ReadActionFilters(dir.File("AFilter.002"), read));
    EXPECT_TRUE(read.empty());
}

TEST(ActionFilterFile, OlderFileBecomesOneConditionFilters) {
    DataDir dir;
    WriteBytes(LegacyFilterPath(dir.str(), 2),
               "1 " + EncodeStoredText("boss@*") + "\r\n2 " + EncodeStoredText("me@*") + "\r\n9 " +
                   EncodeStoredText("x") + "\r\n3 " + EncodeStoredText(Sj("至急*")) + "\r\nbad\r\n1 " +
                   EncodeStoredText("late") + "\r\n");
    std::vector<ActionFilter> filters = LoadProfileFilters(dir.str(), 2, /*legacy_no_notify=*/true);
    ASSERT_EQ(filters.size(), 3u); // field 9 is skipped, "bad" ends the file
    EXPECT_EQ(filters[0].sender, "boss@*");
    EXPECT_EQ(filters[0].recipient, texts::kFilterNoCondition);
    EXPECT_EQ(filters[1].recipient, "me@*");
    EXPECT_EQ(filters[2].subject, Sj("至急*"));
    EXPECT_EQ(filters[2].sender, texts::kFilterNoCondition);
    for (const ActionFilter& f : filters)
        EXPECT_TRUE(f.no_notify == 1 && f.notify == 0);
    filters = LoadProfileFilters(dir.str(), 2, false);
    for (const ActionFilter& f : filters)
        EXPECT_TRUE(f.no_notify == 0 && f.notify == 1);

    // Once AFilter.002 exists the older file is not read.
    WriteBytes(ActionFilterPath(dir.str(), 2), "");
    EXPECT_TRUE(LoadProfileFilters(dir.str(), 2, false).empty());
}

TEST(ActionFilterFile, CommitReplacesTheFilterFileAndDropsTheOlderOne) {
    DataDir dir;
    EXPECT_FALSE(CommitActionFilterWorkCopy(dir.str(), 4));
    WriteBytes(ActionFilterPath(dir.str(), 4), "old\r\n");
    WriteBytes(LegacyFilterPath(dir.str(), 4), "1 AA==\r\n");
    EXPECT_FALSE(CommitActionFilterWorkCopy(dir.str(), 4)); // no work copy: nothing changes
    EXPECT_EQ(ReadBytes(ActionFilterPath(dir.str(), 4)), "old\r\n");
    ASSERT_TRUE(WriteActionFilterWorkCopy(dir.str(), {Notify()}));
    ASSERT_TRUE(CommitActionFilterWorkCopy(dir.str(), 4));
    EXPECT_EQ(ReadBytes(ActionFilterPath(dir.str(), 4)), FormatActionFilterLine(Notify()) + "\r\n");
    EXPECT_FALSE(Exists(LegacyFilterPath(dir.str(), 4)));
    EXPECT_FALSE(Exists(ActionFilterWorkPath(dir.str())));
    EXPECT_EQ(ActionFilterPath(dir.str(), 4), dir.File("AFilter.004"));
    EXPECT_EQ(LegacyFilterPath(dir.str(), 10), dir.File("Filter.010"));
}

TEST_F(Filters, WithoutAFilterFileEveryMessageIsAnnounced) {
    EXPECT_EQ(Run(kFilterModeOn), kFilterNotify);
    EXPECT_EQ(Run(kFilterModeOnlyMatching), kFilterNotify);
}

TEST_F(Filters, NoMatchingLineDependsOnTheMode) {
    ActionFilter f = Sound("a.wav");
    f.sender = "*@elsewhere.example";
    Write({f});
    EXPECT_EQ(Run(kFilterModeOnlyMatching), kFilterDoNotNotify);
    EXPECT_EQ(Run(kFilterModeOn), kFilterNotify);
    EXPECT_FALSE(Exists(SoundListPath(dir.str(), kAccount)));
}

TEST_F(Filters, LineWithoutConditionsMatchesEveryMessage) {
    Write({Notify()});
    EXPECT_EQ(Run(kFilterModeOnlyMatching), kFilterNotify);
    message.to.clear();
    message.from_address = texts::kSpamUnknown;
    EXPECT_EQ(Run(kFilterModeOnlyMatching), kFilterNotify);
}

TEST_F(Filters, LastMatchingLineDecides) {
    Write({Notify(), Silence()});
    EXPECT_EQ(Run(kFilterModeOn), kFilterDoNotNotify);
    Write({Silence(), Notify()});
    EXPECT_EQ(Run(kFilterModeOn), kFilterNotify);
}

TEST_F(Filters, NewMessageQueuesSoundProgramAndSendSetting) {
    ActionFilter f = Sound("\"C:\\Sounds\\new.wav\"");
    f.subject = Sj("*セール*");
    f.start_program = 1;
    f.program = "notepad.exe %SUBJECT";
    f.send_mail = 1;
    f.send_setting = "test";
    Write({f});
    EXPECT_EQ(Run(kFilterModeOn, /*newly_cached=*/1), kFilterNotifyQueued);
    EXPECT_EQ(Sounds(), "*|*|\"C:\\Sounds\\new.wav\"\r\n");
    EXPECT_EQ(Programs(), std::string(kAccount) + "|" + kCache + "|notepad.exe %SUBJECT\r\n");
    EXPECT_EQ(Sends(), std::string(kAccount) + "|" + kCache + "|test\r\n");
}

TEST_F(Filters, MessageCachedEarlierQueuesTheSoundOnly) {
    ActionFilter f = Sound("a.wav");
    f.start_program = 1;
    f.program = "notepad.exe";
    f.send_mail = 1;
    Write({f});
    EXPECT_EQ(Run(kFilterModeOn, /*newly_cached=*/0), kFilterNotifyQueued);
    EXPECT_EQ(Sounds(), "*|*|a.wav\r\n");
    EXPECT_FALSE(Exists(ProgramListPath(dir.str())));
    EXPECT_FALSE(Exists(SendListPath(dir.str())));
}

TEST_F(Filters, SameSoundFromTwoFiltersIsQueuedOnce) {
    ActionFilter by_sender = Sound("ding.wav");
    by_sender.sender = "news@*";
    ActionFilter by_subject = Sound("ding.wav");
    by_subject.subject = "*";
    Write({by_sender, by_subject, Sound("other.wav")});
    EXPECT_EQ(Run(kFilterModeOn), kFilterNotifyQueued);
    EXPECT_EQ(Run(kFilterModeOn), kFilterNotifyQueued); // a second message of the same check
    EXPECT_EQ(Sounds(), "*|*|ding.wav\r\n*|*|other.wav\r\n");
}

TEST_F(Filters, SuppressingFilterQueuesNothing) {
    ActionFilter f = Silence();
    f.play_sound = 1;
    f.sound = "a.wav";
    Write({f});
    EXPECT_EQ(Run(kFilterModeOn), kFilterDoNotNotify);
    EXPECT_FALSE(Exists(SoundListPath(dir.str(), kAccount)));
}

TEST_F(Filters, RecipientConditions) {
    ActionFilter f = Silence();
    f.recipient = "Team*";
    Write({f});
    message.to = {To("One@A.example", "One"), To("Two@B.example", "Team Lead"), To("Three@C.example", "x")};
    EXPECT_EQ(Run(kFilterModeOn), kFilterDoNotNotify); // the second recipient's display name
    EXPECT_EQ(message.to[0].address, "one@a.example");
    EXPECT_EQ(message.to[1].address, "two@b.example");
    EXPECT_EQ(message.to[2].address, "Three@C.example"); // not examined
    message.to.clear();
    EXPECT_EQ(Run(kFilterModeOn), kFilterNotify); // no recipients: the condition fails
    f.recipient = "*";
    Write({f});
    EXPECT_EQ(Run(kFilterModeOn), kFilterNotify);
}

TEST_F(Filters, CapitalPatternMatchesLowerCaseAddressAndTheSenderIsLowered) {
    ActionFilter f = Silence();
    f.sender = "NEWS@SHOP.EXAMPLE";
    Write({f});
    message.from_address = "News@Shop.Example";
    EXPECT_EQ(Run(kFilterModeOn), kFilterDoNotNotify);
    EXPECT_EQ(message.from_address, "news@shop.example");
    // Or else the display name.
    f.sender = "shop n*";
    Write({f});
    EXPECT_EQ(Run(kFilterModeOn), kFilterDoNotNotify);
}

TEST_F(Filters, SubjectCondition) {
    ActionFilter f = Silence();
    f.subject = Sj("*セール");
    Write({f});
    EXPECT_EQ(Run(kFilterModeOn), kFilterDoNotNotify);
    message.match_subject = Sj("会議の件");
    EXPECT_EQ(Run(kFilterModeOn), kFilterNotify);
}

TEST_F(Filters, ListThatCannotBeOpenedDropsTheActionSilently) {
    std::filesystem::remove_all(dir.File("ACT"));
    std::filesystem::remove_all(dir.File("Temp"));
    ActionFilter f = Sound("a.wav");
    f.start_program = 1;
    f.program = "notepad.exe";
    Write({f});
    EXPECT_EQ(Run(kFilterModeOn), kFilterNotifyQueued);
}

} // namespace
