// The spam pattern list: its line forms on disk, the matching of a message against it, the
// duplicate test of spam registration, SpamList.ADD and the settings page's work copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvex/engine/message_summary.h"
#include "corvex/filters/spam_list.h"
#include "corvex/filters/stored_text.h"
#include "filters_texts.h"
#include "support/filter_files.h"

using namespace corvex;
using filter_files::DataDir;
using filter_files::ReadBytes;
using filter_files::Sj;
using filter_files::WriteBytes;

namespace {

SpamCondition Ignore() {
    return {kSpamKindIgnore, texts::kSpamNotCondition};
}
SpamCondition Pattern(const std::string& text) {
    return {kSpamKindPattern, text};
}

// A pattern with every condition off but the ones a test sets.
SpamPattern Open(int mode = 1) {
    SpamPattern p;
    p.recipient = p.sender = p.subject = p.mailer = Ignore();
    p.attachment = p.type = 2;
    p.mode = mode;
    return p;
}

std::string Line(const SpamPattern& p) {
    return FormatSpamLine(EncodeSpamPattern(p));
}

void WriteList(const DataDir& dir, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    WriteBytes(SpamListPath(dir.str()), bytes);
}

Recipient To(const std::string& address, const std::string& name = "") {
    return {"", address, name};
}

MessageSummary Message() {
    MessageSummary m;
    m.to = {To("me@home.example", "Me")};
    m.from_address = "promo@bulk.example";
    m.from_name = "Promotions";
    m.match_subject = Sj("今だけのセール");
    m.mailer = "BulkMailer 2.0";
    m.attachment = 0;
    m.html = 1;
    return m;
}

TEST(SpamLineFormat, SevenFieldLineOnDiskMatchesGolden) {
    SpamPattern p;
    p.recipient = Pattern("*@example.com");
    p.sender = {kSpamKindMissing, Sj("不明")};
    p.subject = Pattern(Sj("*スパム*"));
    p.mailer = {kSpamKindIgnore, Sj("条件にしない")};
    p.attachment = 2;
    p.type = 1;
    p.mode = 0;
    DataDir dir;
    ASSERT_TRUE(WriteSpamListWorkCopy(dir.str(), {p, Open()}));
    EXPECT_EQ(ReadBytes(SpamListWorkPath(dir.str())),
              "MToqQGV4YW1wbGUuY29tAA== MDobJEJJVExAGyhIAA== MToqGyRCJTklUSVgGyhIKgA= "
              "MjobJEI+cjdvJEskNyRKJCQbKEgA 2 1 0\r\n"
              "MjobJEI+cjdvJEskNyRKJCQbKEgA MjobJEI+cjdvJEskNyRKJCQbKEgA MjobJEI+cjdvJEskNyRKJCQbKEgA "
              "MjobJEI+cjdvJEskNyRKJCQbKEgA 2 2 1\r\n");
}

TEST(SpamLineFormat, ParsesSevenAndFiveFieldsOnly) {
    struct Case {
        const char* line;
        bool ok;
        int attachment, type, mode;
    };
    const Case cases[] = {
        {"A B C D 1 0 0", true, 1, 0, 0},
        {"A B C D 0", true, 0, 2, 1},                // the older form: any type, ask first
        {"A\tB  C D 0 1 1 trailing", true, 0, 1, 1}, // fields after the seventh are ignored
        {"A B C D 0 1", false, 0, 0, 0},             // six fields
        {"A B C D", false, 0, 0, 0},
        {"A B C D x 1 1", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SpamLine line;
        ASSERT_EQ(ParseSpamLine(c.line, line), c.ok) << c.line;
        if (!c.ok) continue;
        EXPECT_EQ(line.recipient, "A");
        EXPECT_EQ(line.mailer, "D");
        EXPECT_EQ(line.attachment, c.attachment) << c.line;
        EXPECT_EQ(line.type, c.type) << c.line;
        EXPECT_EQ(line.mode, c.mode) << c.line;
    }
}

TEST(SpamLineFormat, ConditionsRoundTripAndLongTextsAreCut) {
    DataDir dir;
    SpamPattern p = Open(0);
    p.subject = Pattern(Sj("【当選】おめでとう*"));
    p.sender = Pattern(std::string(300, 'x'));
    ASSERT_TRUE(WriteSpamListWorkCopy(dir.str(), {p}));
    ASSERT_TRUE(CommitSpamWorkCopies(dir.str()));
    std::vector<SpamPattern> read = ReadSpamList(dir.str());
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].subject.kind, kSpamKindPattern);
    EXPECT_EQ(read[0].subject.text, Sj("【当選】おめでとう*"));
    EXPECT_EQ(read[0].sender.text, std::string(kSpamConditionMax, 'x'));
    EXPECT_EQ(read[0].mailer.kind, kSpamKindIgnore);
    EXPECT_EQ(read[0].mode, 0);
}

TEST(SpamLineFormat, ReadingStopsAtABadLineAndAtTheLineLimit) {
    DataDir dir;
    WriteList(dir, {Line(Open()), Line(Open()), "broken line", Line(Open())});
    EXPECT_EQ(ReadSpamList(dir.str()).size(), 2u);
    EXPECT_EQ(ReadSpamList(dir.str(), 1).size(), 1u);
}

TEST(SpamLineFormat, AnIncompleteTokenLeavesNoHalfGroupBehind) {
    // "QQ" alone would leave two characters pending in the decoder and spoil the next text.
    DecodeSpamCondition("QQ");
    EXPECT_EQ(DecodeStoredText("MToqAA=="), "1:*");
    SpamCondition c = DecodeSpamCondition("MToqAA==");
    EXPECT_EQ(c.kind, 1);
    EXPECT_EQ(c.text, "*");
}

class SpamMatch : public ::testing::Test {
  protected:
    DataDir dir;
    MessageSummary message = Message();
    int Match() { return MatchSpamPatterns(dir.str(), message); }
};

TEST_F(SpamMatch, NoListMeansNoSpam) {
    EXPECT_EQ(Match(), kSpamNoMatch);
}

TEST_F(SpamMatch, WhitelistedSenderIsNeverSpam) {
    WriteList(dir, {Line(Open(0))});
    WriteBytes(dir.File("FriendList.dat"), "friend@example.com\r\nPromo@Bulk.Example\r\n");
    message.from_address = "PROMO@bulk.example";
    EXPECT_EQ(Match(), kSpamNoMatch);
    EXPECT_EQ(message.from_address, "promo@bulk.example"); // lower-cased for the later steps
}

TEST_F(SpamMatch, FirstMatchingLineDecidesTheMode) {
    SpamPattern everything = Open(1);
    everything.subject = Pattern("*");
    SpamPattern at_once = Open(0);
    at_once.sender = Pattern("*@bulk.example");
    WriteList(dir, {Line(everything), Line(at_once)});
    EXPECT_EQ(Match(), kSpamDeleteAfterConfirm);
    WriteList(dir, {Line(at_once), Line(everything)});
    EXPECT_EQ(Match(), kSpamDeleteAtOnce);
}

TEST_F(SpamMatch, LinesThatDoNotHoldAreSkipped) {
    SpamPattern other_sender = Open(0);
    other_sender.sender = Pattern("*@elsewhere.example");
    SpamPattern subject = Open(1);
    subject.subject = Pattern(Sj("*セール*"));
    WriteList(dir, {Line(other_sender), Line(subject)});
    EXPECT_EQ(Match(), kSpamDeleteAfterConfirm);
}

TEST_F(SpamMatch, ALineThatDoesNotParseEndsTheScan) {
    SpamPattern other_sender = Open(0);
    other_sender.sender = Pattern("*@elsewhere.example");
    WriteList(dir, {Line(other_sender), "MToqAA== MToqAA==", Line(Open(0))});
    EXPECT_EQ(Match(), kSpamNoMatch);
}

TEST_F(SpamMatch, FiveFieldLineMatchesEitherTypeAndAsksFirst) {
    SpamPattern p = Open(0);
    p.sender = Pattern("promo@*");
    SpamLine line = EncodeSpamPattern(p);
    WriteList(dir, {line.recipient + " " + line.sender + " " + line.subject + " " + line.mailer + " 2"});
    message.html = 1;
    EXPECT_EQ(Match(), kSpamDeleteAfterConfirm);
    message.html = 0;
    EXPECT_EQ(Match(), kSpamDeleteAfterConfirm);
}

TEST_F(SpamMatch, MessageWithoutRecipients) {
    message.to.clear();
    SpamPattern missing = Open();
    missing.recipient = {kSpamKindMissing, texts::kSpamNone};
    SpamPattern any = Open();
    any.recipient = Pattern("*");
    SpamPattern none_word = Open();
    none_word.recipient = Pattern(texts::kSpamNone);
    WriteList(dir, {Line(missing)});
    EXPECT_EQ(Match(), kSpamDeleteAfterConfirm);
    WriteList(dir, {Line(any)});
    EXPECT_EQ(Match(), kSpamNoMatch);
    WriteList(dir, {Line(none_word)});
    EXPECT_EQ(Match(), kSpamDeleteAfterConfirm);
    // And a message with a recipient does not match kind 0.
    message = Message();
    WriteList(dir, {Line(missing)});
    EXPECT_EQ(Match(), kSpamNoMatch);
}

TEST_F(SpamMatch, ThirdRecipientsDisplayNameMatchesAndAddressesAreLoweredUpToIt) {
    message.to = {To("One@A.example", "One"), To("Two@B.example", "Two"), To("Three@C.example", "Spam King"),
                  To("Four@D.example", "Four")};
    SpamPattern p = Open(0);
    p.recipient = Pattern("spam k*");
    WriteList(dir, {Line(p)});
    EXPECT_EQ(Match(), kSpamDeleteAtOnce);
    EXPECT_EQ(message.to[0].address, "one@a.example");
    EXPECT_EQ(message.to[2].address, "three@c.example");
    EXPECT_EQ(message.to[3].address, "Four@D.example"); // never examined
}

TEST_F(SpamMatch, RecipientWithoutUsableAddressMatchesItsWord) {
    message.to = {To("undisclosed-recipients:;"), To(texts::kSpamNone)};
    SpamPattern p = Open(0);
    p.recipient = Pattern(Sj("記述*"));
    WriteList(dir, {Line(p)});
    EXPECT_EQ(Match(), kSpamDeleteAtOnce);
}

TEST_F(SpamMatch, LowerCasingLeavesDoubleByteCharactersIntact) {
    const std::string katakana_a = "\x83\x41"; // ア: its second byte is an "A"
    message.to = {To(katakana_a + "BC@X.example")};
    SpamPattern p = Open(0);
    p.recipient = Pattern("nomatch");
    WriteList(dir, {Line(p)});
    EXPECT_EQ(Match(), kSpamNoMatch);
    EXPECT_EQ(message.to[0].address, katakana_a + "bc@x.example");
}

TEST_F(SpamMatch, SenderConditions) {
    struct Case {
        int kind;
        const char* text;
        const char* address;
        const char* name;
        int expected;
    };
    const Case cases[] = {
        {kSpamKindPattern, "promo@bulk.example", "PROMO@BULK.EXAMPLE", "x", kSpamDeleteAfterConfirm},
        {kSpamKindPattern, "*@BULK.example", "promo@bulk.example", "x", kSpamDeleteAfterConfirm},
        {kSpamKindPattern, "Promo*", "other@bulk.example", "promotions", kSpamDeleteAfterConfirm}, // by name
        {kSpamKindPattern, "Promo*", "other@bulk.example", "Other", kSpamNoMatch},
        {kSpamKindMissing, texts::kSpamUnknown, texts::kSpamUnknown, "", kSpamDeleteAfterConfirm},
        {kSpamKindMissing, texts::kSpamUnknown, "promo@bulk.example", "", kSpamNoMatch},
    };
    for (const Case& c : cases) {
        SpamPattern p = Open();
        p.sender = {c.kind, c.text};
        WriteList(dir, {Line(p)});
        message.from_address = c.address;
        message.from_name = c.name;
        EXPECT_EQ(Match(), c.expected) << c.address << " / " << c.text;
    }
}

TEST_F(SpamMatch, SubjectMailerAttachmentAndType) {
    const std::string now_only = Sj("今だけ*");
    const std::string ham = Sj("*ハム*");
    struct Case {
        int subject_kind;
        const char* subject;
        int mailer_kind;
        const char* mailer;
        int attachment, type;
        int expected;
    };
    const int kIgn = kSpamKindIgnore;
    const char* ign = texts::kSpamNotCondition;
    const Case cases[] = {
        {kSpamKindPattern, now_only.c_str(), kIgn, ign, 2, 2, kSpamDeleteAfterConfirm},
        {kSpamKindPattern, ham.c_str(), kIgn, ign, 2, 2, kSpamNoMatch},
        {kSpamKindMissing, texts::kSpamNone, kIgn, ign, 2, 2, kSpamNoMatch},
        {kIgn, ign, kSpamKindPattern, "bulkmailer*", 2, 2, kSpamDeleteAfterConfirm},
        {kIgn, ign, kSpamKindMissing, texts::kSpamUnknown, 2, 2, kSpamNoMatch},
        {kIgn, ign, kIgn, ign, 0, 1, kSpamDeleteAfterConfirm},
        {kIgn, ign, kIgn, ign, 1, 2, kSpamNoMatch},
        {kIgn, ign, kIgn, ign, 2, 0, kSpamNoMatch},
    };
    for (const Case& c : cases) {
        SpamPattern p = Open();
        p.subject = {c.subject_kind, c.subject};
        p.mailer = {c.mailer_kind, c.mailer};
        p.attachment = c.attachment;
        p.type = c.type;
        WriteList(dir, {Line(p)});
        EXPECT_EQ(Match(), c.expected) << c.attachment << " " << c.type;
    }
    // The words of a message without subject or mailer match their kind 0 conditions.
    message.match_subject = texts::kSpamNone;
    message.mailer = texts::kSpamUnknown;
    SpamPattern p = Open();
    p.subject = {kSpamKindMissing, texts::kSpamNone};
    p.mailer = {kSpamKindMissing, texts::kSpamUnknown};
    WriteList(dir, {Line(p)});
    EXPECT_EQ(Match(), kSpamDeleteAfterConfirm);
}

TEST(SpamPatternExists, ComparesTheFirstSixFields) {
    DataDir dir;
    EXPECT_FALSE(SpamPatternExists(dir.str(), "x"));
    SpamPattern p = Open(0);
    p.sender = Pattern("promo@bulk.example");
    p.type = 1;
    SpamPattern older = Open();
    older.subject = Pattern("old");
    SpamLine older_line = EncodeSpamPattern(older);
    const std::string five = older_line.recipient + " " + older_line.sender + " " + older_line.subject + " " +
                             older_line.mailer + " 2";
    SpamPattern after_bad = Open();
    after_bad.subject = Pattern("late");
    WriteList(dir, {Line(p), five, "bad", Line(after_bad)});

    SpamPattern same = p;
    same.mode = 1; // whatever the deletion mode
    EXPECT_TRUE(SpamPatternExists(dir.str(), SpamLineKey(EncodeSpamPattern(same))));
    same.type = 0;
    EXPECT_FALSE(SpamPatternExists(dir.str(), SpamLineKey(EncodeSpamPattern(same))));
    EXPECT_TRUE(SpamPatternExists(dir.str(), SpamLineKey(older_line))); // read with type 2
    EXPECT_FALSE(SpamPatternExists(dir.str(), SpamLineKey(EncodeSpamPattern(after_bad))));
}

TEST(SpamAdd, RegisteredLinesAreAppendedToTheList) {
    DataDir dir;
    WriteBytes(SpamListPath(dir.str()), "A B C D 0 0 0"); // last line without its line end
    ASSERT_TRUE(CreateSpamAdd(dir.str()));
    EXPECT_EQ(ReadBytes(SpamAddPath(dir.str())), "");
    ASSERT_TRUE(AppendSpamAdd(dir.str(), "E F G H 1 1 1"));
    ASSERT_TRUE(AppendSpamAdd(dir.str(), "I J K L 2 2 1"));
    EXPECT_EQ(ReadBytes(SpamAddPath(dir.str())), "E F G H 1 1 1\r\nI J K L 2 2 1\r\n");
    ASSERT_TRUE(AppendSpamAddToList(dir.str()));
    EXPECT_EQ(ReadBytes(SpamListPath(dir.str())), "A B C D 0 0 0\r\nE F G H 1 1 1\r\nI J K L 2 2 1\r\n");
}

TEST(SpamAdd, CreatingFailsWithoutTheFolder) {
    DataDir dir;
    EXPECT_FALSE(CreateSpamAdd(dir.File("missing")));
    EXPECT_FALSE(AppendSpamAddToList(dir.File("missing")));
}

TEST(SpamWorkCopies, CommitReplacesBothListsAndKeepsAListWithoutCopy) {
    DataDir dir;
    WriteBytes(dir.File("SpamList.999"), "old spam\r\n");
    WriteBytes(dir.File("SpamList.$$$"), "new spam\r\n");
    WriteBytes(dir.File("FriendList.dat"), "old@friend\r\n");
    WriteBytes(dir.File("FriendList.$$$"), "new@friend\r\n");
    ASSERT_TRUE(CommitSpamWorkCopies(dir.str()));
    EXPECT_EQ(ReadBytes(dir.File("SpamList.999")), "new spam\r\n");
    EXPECT_EQ(ReadBytes(dir.File("FriendList.dat")), "new@friend\r\n");
    EXPECT_FALSE(filter_files::Exists(dir.File("SpamList.$$$")));
    EXPECT_FALSE(filter_files::Exists(dir.File("FriendList.$$$")));

    // Without work copies the lists stay as they are.
    ASSERT_TRUE(CommitSpamWorkCopies(dir.str()));
    EXPECT_EQ(ReadBytes(dir.File("SpamList.999")), "new spam\r\n");
    EXPECT_EQ(ReadBytes(dir.File("FriendList.dat")), "new@friend\r\n");
}

} // namespace
