// The header scan and the message summary, fed with lines as the POP3 line reader returns
// them; also every header of the public mail corpus.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "corvex/engine/header_scan.h"
#include "corvex/engine/pop3_session.h"
#include "cp932.h"
#include "engine_texts.h"
#include "support/fake_pop3_server.h"

namespace {

using corvex::AddressField;
using corvex::BuildMessageKey;
using corvex::BuildSummary;
using corvex::HeaderScanner;
using corvex::MessageSummary;
using corvex::ParseAddress;
using pelmora_test::FakePop3Server;
using pelmora_test::FakeScript;
using namespace std::chrono_literals;
namespace texts = corvex::texts;

constexpr int kJapan = 9 * 60;

std::string Utf8(const std::string& sjis) {
    return dorvik::cp932_to_utf8(sjis);
}

// One line of the message as the POP3 line reader returns it: at most 511 bytes of the line
// and its CR LF, trailing LF, CR and blanks stripped while more than two characters remain.
std::string ReaderLine(const std::string& raw) {
    std::string line = (raw + "\r\n").substr(0, 511);
    while (line.size() > 2 && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

HeaderScanner Scan(const std::vector<std::string>& lines, int number = 1,
                   std::vector<std::string>* work = nullptr) {
    HeaderScanner scan;
    HeaderScanner::WorkSink sink;
    if (work != nullptr) sink = [work](std::string_view line) { work->emplace_back(line); };
    scan.Begin(number, sink);
    for (const std::string& raw : lines) {
        scan.Feed(ReaderLine(raw), static_cast<long>(raw.size() + 2));
    }
    scan.Finish();
    return scan;
}

MessageSummary Summary(const std::vector<std::string>& lines, int offset = kJapan) {
    return BuildSummary(Scan(lines), offset);
}

std::vector<std::string> Addresses(const std::vector<corvex::Recipient>& list) {
    std::vector<std::string> out;
    for (const auto& r : list)
        out.push_back(r.address);
    return out;
}

using Lines = std::vector<std::string>;
using Strings = std::vector<std::string>;

// ---- To and Cc ------------------------------------------------------------------------

struct RecipientCase {
    const char* name;
    Lines lines;
    Strings to;
};

class RecipientCases : public ::testing::TestWithParam<RecipientCase> {};

TEST_P(RecipientCases, SplitsIntoEntries) {
    const RecipientCase& c = GetParam();
    Strings got;
    for (const std::string& a : Addresses(Summary(c.lines).to))
        got.push_back(Utf8(a));
    EXPECT_EQ(got, c.to);
}

INSTANTIATE_TEST_SUITE_P(
    To, RecipientCases,
    ::testing::Values(
        RecipientCase{
            "TrailingComma", {"To: a@example.com, b@example.com,"}, {"a@example.com", "b@example.com"}},
        RecipientCase{"Folded",
                      {"To: a@example.com,", " b@example.com, c@example.com", "Subject: x"},
                      {"a@example.com", "b@example.com", "c@example.com"}},
        RecipientCase{"FoldedWithTabsAndAnEmptyFold",
                      {"To: leads@sg.dc.com,", "\t sag@leads.gs.ry.com,", "\t", "\tcc@c-l-example.com"},
                      {"leads@sg.dc.com", "sag@leads.gs.ry.com", "cc@c-l-example.com"}},
        RecipientCase{"NameAndAddressOnTwoLines",
                      {"To: \"Taro Yamada\"", "   <taro@example.jp>, hanako@example.jp"},
                      {"taro@example.jp", "hanako@example.jp"}},
        RecipientCase{"ShortLastPieceDropped", {"To: a@example.com, x"}, {"a@example.com"}},
        RecipientCase{"EmptyFirstPieceKept",
                      {"To: , user@aol.com, e@app.ar.com"},
                      {"", "user@aol.com", "e@app.ar.com"}},
        RecipientCase{"NameOnly", {"To: Friends"}, {"Friends"}},
        RecipientCase{"EmptyHeader", {"To:", "Subject: x"}, {}},
        RecipientCase{"SecondToIgnored",
                      {"To: a@example.com,", " b@example.com", "To: c@example.com,", " d@example.com"},
                      {"a@example.com", "b@example.com"}},
        RecipientCase{"FoldBeforeTheComma",
                      {"To: a@example.com", " ,b@example.com"},
                      {"a@example.com", "b@example.com"}},
        RecipientCase{"ContinuationAfterOtherFieldIgnored",
                      {"To: a@example.com", "Subject: s", " b@example.com"},
                      {"a@example.com"}},
        RecipientCase{"AngleAddressWithBlanks", {"To: Taro <taro @ example.jp >"}, {"taro@example.jp"}},
        RecipientCase{"UndisclosedKeptInTo", {"To: undisclosed-recipients:;"}, {"undisclosed-recipients:;"}},
        RecipientCase{"AtOnlyAddress", {"To: <@example.jp>"}, {"記述無し"}}),
    [](const ::testing::TestParamInfo<RecipientCase>& info) { return std::string(info.param.name); });

TEST(HeaderScan, RecipientEntriesKeepRawTextAndDecodedNames) {
    const MessageSummary s = Summary(
        {"To: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?=", " <yamada@example.jp>, Hanako <h@example.jp>"});
    ASSERT_EQ(s.to.size(), 2u);
    EXPECT_EQ(s.to[0].raw, "To: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?=<yamada@example.jp>");
    EXPECT_EQ(s.to[0].address, "yamada@example.jp");
    EXPECT_EQ(Utf8(s.to[0].name), "山田太郎");
    EXPECT_EQ(s.to[1].raw, " Hanako <h@example.jp>");
    EXPECT_EQ(s.to[1].name, "Hanako");
}

TEST(HeaderScan, UndisclosedRecipientsInCcIsNotStated) {
    const MessageSummary s = Summary({"To: undisclosed-recipients:;", "Cc: undisclosed-recipients:;"});
    ASSERT_EQ(s.to.size(), 1u);
    EXPECT_EQ(s.to[0].address, "undisclosed-recipients:;");
    ASSERT_EQ(s.cc.size(), 1u);
    EXPECT_EQ(s.cc[0].address, texts::kSummaryNotStated);
}

TEST(HeaderScan, CcSplitsLikeToAndRejectsAddressesWithoutAt) {
    const MessageSummary s = Summary({"CC: Jiro <jiro@example.jp>,", "\tfriends, x@y.example,"});
    EXPECT_EQ(Addresses(s.cc), (Strings{"jiro@example.jp", texts::kSummaryNotStated, "x@y.example"}));
    EXPECT_EQ(s.cc[0].name, "Jiro");
}

TEST(HeaderScan, AtMostOneHundredRecipients) {
    Lines lines = {"To: u0@example.jp"};
    for (int i = 1; i < 150; ++i) {
        lines.back() += ",";
        lines.push_back(" u" + std::to_string(i) + "@example.jp");
    }
    const MessageSummary s = Summary(lines);
    ASSERT_EQ(s.to.size(), 100u);
    EXPECT_EQ(s.to[99].address, "u99@example.jp");

    std::string one_line = "Cc: c0@example.jp";
    for (int i = 1; i < 130; ++i)
        one_line += ",c" + std::to_string(i) + "@e.jp";
    HeaderScanner scan;
    scan.Begin(1);
    scan.Feed(one_line, 0); // longer than the reader would ever return
    scan.Finish();
    EXPECT_EQ(scan.cc_entries().size(), 100u);
}

// ---- addresses ------------------------------------------------------------------------

struct AddressCase {
    const char* raw;
    AddressField field;
    const char* address;
    const char* name;
};

class AddressCases : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressCases, Parses) {
    const AddressCase& c = GetParam();
    const corvex::ParsedAddress a = ParseAddress(c.raw, c.field);
    EXPECT_EQ(Utf8(a.address), c.address) << c.raw;
    EXPECT_EQ(Utf8(a.name), c.name) << c.raw;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddressCases,
    ::testing::Values(
        AddressCase{"From: Taro Yamada <taro@example.jp>", AddressField::From, "taro@example.jp",
                    "Taro Yamada"},
        AddressCase{"From: taro@example.jp", AddressField::From, "taro@example.jp", "taro@example.jp"},
        AddressCase{"From: <taro@example.jp>", AddressField::From, "taro@example.jp", ""},
        AddressCase{"From: \"a <b>\" <c@example.jp>", AddressField::From, "c@example.jp", "\"a <b>\""},
        AddressCase{"From: Taro <taro@example.jp", AddressField::From, "taro@example.jp", "Taro"},
        AddressCase{"From: <@example.jp>", AddressField::From, "不明", ""},
        AddressCase{"From: nobody", AddressField::From, "不明", "nobody"},
        AddressCase{"From: <>", AddressField::From, "不明", ""},
        AddressCase{"Return-Path: <bounce@example.jp>", AddressField::From, "bounce@example.jp", ""},
        AddressCase{" Jiro <jiro@example.jp>", AddressField::To, "jiro@example.jp", "Jiro"},
        AddressCase{" jiro", AddressField::To, "jiro", "jiro"},
        AddressCase{" jiro", AddressField::Cc, "記述無し", "jiro"},
        AddressCase{" @example.jp", AddressField::To, "記述無し", "@example.jp"},
        AddressCase{"", AddressField::Cc, "", ""},
        AddressCase{"To: Name\t <a@b.example>", AddressField::To, "a@b.example", "Name"}));

TEST(ParseAddress, UnusableAddressTextsAreShiftJis) {
    EXPECT_EQ(ParseAddress("From: nobody", AddressField::From).address, texts::kSummaryUnknown);
    EXPECT_EQ(ParseAddress(" jiro", AddressField::Cc).address, texts::kSummaryNotStated);
}

TEST(ParseAddress, DecodesNamesAndIgnoresAtInsideShiftJisCharacters) {
    const auto a = ParseAddress("From: =?UTF-8?B?44G+44G/44KA44KB44KC?= <m@example.jp>", AddressField::From);
    EXPECT_EQ(Utf8(a.name), "まみむめも");
    // A raw Shift_JIS ideographic space (0x81 0x40) holds an "@" byte that is no at sign.
    const auto b = ParseAddress("From: \x8e\x52\x93\x63\x81\x40\x91\xbe\x98\x59", AddressField::From);
    EXPECT_EQ(b.address, texts::kSummaryUnknown);
    EXPECT_EQ(Utf8(b.name), "山田　太郎");
}

TEST(ParseAddress, CutsToTheBoundsWithoutSplittingCharacters) {
    const std::string local(300, 'a');
    EXPECT_EQ(ParseAddress("To: <" + local + "@example.jp>", AddressField::To).address,
              std::string(191, 'a'));
    EXPECT_EQ(ParseAddress("From: <" + local + "@example.jp>", AddressField::From).address.size(), 311u);
    EXPECT_EQ(ParseAddress("From: <" + local + local + "@x.jp>", AddressField::From).address.size(), 511u);

    std::string name = "To: ";
    for (int i = 0; i < 150; ++i)
        name += "\x88\x9f"; // 亜 in Shift_JIS
    const auto a = ParseAddress(name + " <a@b.example>", AddressField::To);
    EXPECT_EQ(a.name.size(), 190u);
    const auto padded = ParseAddress("To: " + std::string(190, 'x') + "   <a@b.example>", AddressField::To);
    EXPECT_EQ(padded.name, std::string(190, 'x')); // cut to 191, then the trailing blank stripped
}

// ---- From -----------------------------------------------------------------------------

TEST(HeaderScan, FromNameAndDisplay) {
    MessageSummary s = Summary({"From: Taro <taro@example.jp>"});
    EXPECT_EQ(s.from_address, "taro@example.jp");
    EXPECT_EQ(s.from_name, "Taro");
    EXPECT_EQ(s.from_display, "Taro<taro@example.jp>");

    s = Summary({"From: <taro@example.jp>"});
    EXPECT_EQ(s.from_name, "taro@example.jp");
    EXPECT_EQ(s.from_display, "taro@example.jp");

    s = Summary({"Subject: no sender"});
    EXPECT_EQ(s.from_address, texts::kSummaryUnknown);
    EXPECT_EQ(s.from_name, texts::kSummaryUnknown);
    EXPECT_EQ(s.from_display, texts::kSummaryUnknown);
}

TEST(HeaderScan, ReturnPathHoldsThePlaceOfFromUntilFromArrives) {
    EXPECT_EQ(Summary({"Return-Path: <rp@example.jp>"}).from_address, "rp@example.jp");
    EXPECT_EQ(Summary({"Return-Path: <rp@example.jp>", "From: f@example.jp"}).from_address, "f@example.jp");
    EXPECT_EQ(
        Summary({"From: f@example.jp", "Return-Path: <rp@example.jp>", "From: g@example.jp"}).from_address,
        "f@example.jp");
}

// ---- attachment and HTML flags --------------------------------------------------------

struct FlagCase {
    const char* name;
    Lines lines;
    int attachment;
    int html;
};

class FlagCases : public ::testing::TestWithParam<FlagCase> {};

TEST_P(FlagCases, SetsFlags) {
    const FlagCase& c = GetParam();
    const HeaderScanner scan = Scan(c.lines);
    EXPECT_EQ(scan.attachment(), c.attachment);
    EXPECT_EQ(scan.html(), c.html);
}

INSTANTIATE_TEST_SUITE_P(
    ContentTypes, FlagCases,
    ::testing::Values(
        FlagCase{"TextPlainOnly", {"Content-Type: text/plain; charset=ISO-2022-JP", "", "body"}, 0, 0},
        FlagCase{"NoContentType", {"Subject: s", "", "body"}, 0, 0},
        FlagCase{"TextHtml", {"Content-Type: text/html"}, 0, 1},
        FlagCase{"Mixed",
                 {"Content-Type: multipart/mixed; boundary=b", "", "--b", "Content-Type: text/plain"},
                 1,
                 0},
        FlagCase{"AlternativeWithPdfPart",
                 {"Content-Type: multipart/alternative;", "\tboundary=\"b\"", "", "--b",
                  "Content-Type: application/pdf; name=a.pdf"},
                 1,
                 1},
        FlagCase{"AlternativeTextParts",
                 {"Content-Type: multipart/alternative; boundary=b", "", "--b", "Content-Type: text/plain",
                  "", "x", "--b", "Content-Type: text/html"},
                 0,
                 1},
        FlagCase{"Related", {"Content-Type: multipart/related; boundary=b"}, 1, 1},
        FlagCase{"RelatedSecond",
                 {"Content-Type: multipart/mixed; boundary=a", "", "--a",
                  "Content-Type: multipart/related; boundary=b"},
                 1,
                 1},
        FlagCase{"MixedThenAlternative",
                 {"Content-Type: multipart/mixed; boundary=a", "", "--a",
                  "Content-Type: multipart/alternative; boundary=b"},
                 1,
                 1},
        FlagCase{"MixedThenHtml",
                 {"Content-Type: multipart/mixed; boundary=a", "", "--a", "Content-Type: text/html"},
                 1,
                 1},
        FlagCase{"HtmlOnlyCountsInTheFirstTwo",
                 {"Content-Type: multipart/mixed; boundary=a", "", "--a", "Content-Type: text/plain", "", "x",
                  "--a", "Content-Type: text/html"},
                 1,
                 0},
        FlagCase{"ImageOnly", {"Content-Type: image/png"}, 1, 0},
        FlagCase{"CaseInsensitive", {"content-type: MultiPart/Mixed; boundary=a"}, 1, 0},
        FlagCase{"PartHeaderAfterTextBody",
                 {"Content-Type: text/plain", "", "see the attachment", "Content-Type: application/zip"},
                 1,
                 0}),
    [](const ::testing::TestParamInfo<FlagCase>& info) { return std::string(info.param.name); });

TEST(HeaderScan, ContentTypesKeepTheirFirstLineUpperCased) {
    const HeaderScanner scan = Scan({"Content-Type: multipart/alternative;", "\tboundary=\"xY\"", "",
                                     "Content-Type: text/plain", "Content-Type: text/html"});
    EXPECT_EQ(scan.content_type(0), "CONTENT-TYPE: MULTIPART/ALTERNATIVE;boundary=\"xY\"");
    EXPECT_EQ(scan.content_type(1), "CONTENT-TYPE: TEXT/PLAIN");
}

// ---- message key ----------------------------------------------------------------------

struct KeyCase {
    const char* name;
    Lines lines;
    const char* key;
    bool synthesised;
};

class KeyCases : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyCases, BuildsKey) {
    const KeyCase& c = GetParam();
    const corvex::MessageKey key = BuildMessageKey(Scan(c.lines));
    EXPECT_EQ(key.key, c.key);
    EXPECT_EQ(key.synthesised, c.synthesised);
    EXPECT_EQ(Summary(c.lines).key, c.key);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyCases,
    ::testing::Values(
        KeyCase{"MessageIdWithEqualsAndComment",
                {"Message-ID: <ab=cd.host> (added by <relay>)"},
                "<ab_cd.host>",
                false},
        KeyCase{"MessageIdFolded", {"Message-Id:", " <x.y@host>"}, "<x.y@host>", false},
        KeyCase{"MessageIdWithoutBrackets", {"Message-ID: abc def"}, "Message-ID:abcdef", false},
        KeyCase{"MessageIdWithoutOpening", {"Message-ID: abc> x"}, "Message-ID:abc>", false},
        KeyCase{"FirstMessageIdWins", {"Message-ID: <one@h>", "Message-ID: <two@h>"}, "<one@h>", false},
        KeyCase{"Uidl", {"X-UIDL: \t 1a2b=3c d", "From: f@example.jp"}, "1a2b_3cd", false},
        KeyCase{"MessageIdBeforeUidl", {"X-UIDL: 1a2b", "Message-ID: <m@h>"}, "<m@h>", false},
        KeyCase{"Synthesised",
                {"From: Taro <t@x.jp>", "Subject: Hello there"},
                "From++Taro+<t@x.jp>Subject++Hello+there",
                true},
        KeyCase{"SynthesisedTabsAndEquals",
                {"From: a@x.jp", "Subject:\t=?UTF-8?B?44G+?="},
                "From++a@x.jpSubject++_?UTF-8?B?44G+?_",
                true},
        KeyCase{"NoFromNoSubject", {"Date: Tue, 07 Dec 2004 10:20:30 +0900"}, "NoFromNoSubject", true},
        KeyCase{"NoFrom", {"Subject: s"}, "NoFromSubject++s", true}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

// ---- broken header --------------------------------------------------------------------

TEST(HeaderScan, HeaderWithoutAnyKnownFieldIsBroken) {
    const HeaderScanner scan = Scan({"garbage", "MIME-Version: 1.0", "", "some body"}, 7);
    EXPECT_TRUE(scan.broken());
    EXPECT_EQ(scan.attachment(), 0);
    const MessageSummary s = BuildSummary(scan, kJapan);
    EXPECT_EQ(s.key, "007-HEADER-ERR");
    EXPECT_FALSE(s.synthesised_key);
    EXPECT_EQ(s.subject, texts::kSummaryBrokenHeader);
    EXPECT_EQ(s.match_subject, texts::kSummaryBrokenHeader);
    EXPECT_EQ(s.cache_subject, texts::kSummaryBrokenHeader);
    EXPECT_TRUE(s.to.empty());
    EXPECT_EQ(s.from_address, texts::kSummaryUnknown);
    EXPECT_EQ(s.send_date, texts::kSummaryUnknown);
    EXPECT_EQ(s.key_suffix, "X");

    EXPECT_EQ(BuildMessageKey(Scan({"x"}, 1234)).key, "1234-HEADER-ERR");
    // A recognised line anywhere, the body included, makes the header usable.
    EXPECT_FALSE(Scan({"garbage", "", "To: body@example.jp"}, 7).broken());
}

// ---- subject and mailer ---------------------------------------------------------------

TEST(HeaderScan, SubjectCopies) {
    MessageSummary s = Summary({"Subject:"});
    EXPECT_EQ(s.subject, texts::kSummaryNoSubject);
    EXPECT_EQ(s.match_subject, texts::kSummaryNotStated);
    EXPECT_EQ(s.cache_subject, texts::kSummaryNotStated);
    EXPECT_EQ(Summary({"From: a@b.jp"}).subject, texts::kSummaryNoSubject);

    s = Summary({"Subject:   =?ISO-2022-JP?B?GyRCN29MPiVGJTklSBsoQg==?=", "Subject: second"});
    EXPECT_EQ(Utf8(s.subject), "件名テスト");
    EXPECT_EQ(s.match_subject, s.subject);

    s = Summary({"Subject: =?UTF-8?B?44G+44G/?=", " =?UTF-8?B?44KA?= end"}); // folded words join
    EXPECT_EQ(Utf8(s.subject), "まみむ end");

    // 600 ideographs (亜, JIS 0x30 0x21) on a folded line: the three copies are cut at 511, 255
    // and 1535 bytes on character bounds.
    std::string pairs;
    for (int i = 0; i < 300; ++i)
        pairs += "0!";
    HeaderScanner scan;
    scan.Begin(1);
    scan.Feed("Subject: \x1b$B" + pairs, 0);
    scan.Feed(" " + pairs + "\x1b(B", 0);
    scan.Finish();
    s = BuildSummary(scan, kJapan);
    EXPECT_EQ(s.subject.size(), 510u);
    EXPECT_EQ(s.match_subject.size(), 254u);
    EXPECT_EQ(s.cache_subject.size(), 1200u);
}

struct MailerCase {
    Lines lines;
    const char* mailer;
};

TEST(HeaderScan, MailerRules) {
    const MailerCase cases[] = {
        {{"X-Mailer: A 1.0", "X-Mailer: B 2.0"}, "B 2.0"},
        {{"X-Mail-Agent: C", "X-Mailer: A"}, "A"},
        {{"X-Mailer: A", "X-MailEditor: E"}, "A"},
        {{"X-MailEditor: E", "X-Mail-Agent: C"}, "E"},
        {{"X-Mailer:\t Foo\t", " continued"}, "Foo\tcontinued"},
        {{"Subject: none"}, "不明"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8(Summary(c.lines).mailer), c.mailer) << c.lines.front();
    }
    EXPECT_EQ(Summary({"X-Mailer: " + std::string(600, 'm')}).mailer, std::string(255, 'm'));
}

// ---- dates ----------------------------------------------------------------------------

TEST(HeaderScan, SendAndReceivedDates) {
    const MessageSummary s = Summary({
        "Received: from mx.example.jp (mx.example.jp [192.0.2.1])",
        "\tby pop.example.jp with ESMTP id 1234;",
        "\tTue, 07 Dec 2004 01:20:31 +0000 (GMT)",
        "Received: from a by b; Mon, 06 Dec 2004 01:00:00 +0000",
        "Date: Tue, 07 Dec 2004 10:20:30 +0900",
    });
    EXPECT_EQ(s.send_date, "2004/12/07 10:20");
    EXPECT_EQ(s.received_date, "2004/12/07 10:20");
    EXPECT_EQ(s.key_suffix, "Tue, 07 Dec 2004 01:20:31 +0000 (GMT");
    EXPECT_EQ(Summary({"Date: Tue, 07 Dec 2004 10:20:30 +0900"}, 0).send_date, "2004/12/07 01:20");
}

TEST(HeaderScan, MissingOrUnusableDates) {
    MessageSummary s = Summary({"Subject: s"});
    EXPECT_EQ(s.send_date, texts::kSummaryUnknown);
    EXPECT_EQ(s.received_date, texts::kSummaryUnknown);
    EXPECT_EQ(s.key_suffix, "X");

    s = Summary({"Received: from a by b", "Date:"});
    EXPECT_EQ(s.send_date, texts::kSummaryUnknown);
    EXPECT_EQ(s.received_date, texts::kSummaryUnknown);
    EXPECT_EQ(s.key_suffix, "X");

    s = Summary({"Received: from a by b;", "Date: sometime last week, I think"});
    EXPECT_EQ(s.send_date, "sometime last week, I think");
    EXPECT_EQ(s.received_date, texts::kSummaryUnknown);

    s = Summary({"Received: x; 3 Dec 2009 18:50:22 -0000 and then much more text than fits"});
    EXPECT_EQ(s.received_date, "2009/12/04 03:50");
    EXPECT_EQ(s.key_suffix, "3 Dec 2009 18:50:22 -0000 and then m");
}

// ---- work file and byte count ---------------------------------------------------------

TEST(HeaderScan, WritesTheWorkFileLines) {
    std::vector<std::string> work;
    const HeaderScanner scan =
        Scan({"From: a@example.jp", "Subject: s", "", "first", "a", "", "", "last"}, 1, &work);
    EXPECT_EQ(work, (Strings{"---HEAD ST---", "From: a@example.jp", "Subject: s", "", "---BODY ST---",
                             "first", "a", "", "", "last"}));
    // Byte counts of every line after the first reply line (the terminator is not fed).
    EXPECT_EQ(scan.bytes_read(), 20 + 12 + 2 + 7 + 3 + 2 + 2 + 6);
}

TEST(HeaderScan, WritesNothingWithoutASink) {
    HeaderScanner scan;
    scan.Begin(3);
    scan.Feed("From: a@example.jp", 20);
    scan.Feed("\r\n", 2);
    EXPECT_EQ(scan.Finish(), 0);
    EXPECT_EQ(scan.bytes_read(), 22);
}

TEST(HeaderScan, FileSinkWritesCrLfLines) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    HeaderScanner scan;
    scan.Begin(1, HeaderScanner::FileSink(file));
    scan.Feed("Subject: s", 12);
    scan.Feed("\r\n", 2);
    scan.Feed("b\r", 3);
    scan.Finish();
    std::rewind(file);
    std::string bytes;
    for (int c; (c = std::fgetc(file)) != EOF;)
        bytes.push_back(static_cast<char>(c));
    std::fclose(file);
    EXPECT_EQ(bytes, "---HEAD ST---\r\nSubject: s\r\n\r\n---BODY ST---\r\nb\r\n");
}

TEST(HeaderScan, WorkLinesKeptOfAnEndlessHeaderAndBodyAreBounded) {
    // A server sends 4 MiB of header lines with the fields that matter at the end, then
    // 2 MiB of body lines. The scan completes; the work lines kept (as the check run keeps
    // them, CR LF lines in memory) are the first lines of each part up to its bound; the
    // fields after the bound are still found.
    const std::string filler = "X-Filler: " + std::string(480, 'f') + "\r\n";
    const std::string body_line = std::string(490, 'b') + "\r\n";
    std::string header = "From: first@example.jp\r\n";
    while (header.size() < 4 * 1024 * 1024)
        header += filler;
    header += "Subject: late\r\nMessage-ID: <late@example.jp>\r\n\r\n";
    std::string body;
    while (body.size() < 2 * 1024 * 1024)
        body += body_line;
    const FakeScript script =
        FakeScript().Reply("+OK ready").Expect("TOP 1 20").Reply("+OK").Send(header).Send(body + ".\r\n");
    FakePop3Server server(script);
    corvex::Pop3Session session;
    session.SetTimeout(30s);
    std::string stamp = corvex::kPopNoTimestamp;
    ASSERT_EQ(session.PopConnect("127.0.0.1", server.port(), stamp), 0);

    std::string kept; // the work lines, as the check run holds them
    HeaderScanner scan;
    scan.Begin(1, [&](std::string_view line) { kept.append(line).append("\r\n"); });
    ASSERT_EQ(
        session.PopMultiLine("TOP 1 20", [&](std::string_view line, long count) { scan.Feed(line, count); }),
        0);
    scan.Finish();
    session.Close();
    server.Finish();

    const std::size_t body_at = kept.find("\r\n---BODY ST---\r\n");
    ASSERT_NE(body_at, std::string::npos) << "the body still starts";
    const std::size_t header_kept = body_at - std::strlen("---HEAD ST---\r\n");
    const std::size_t body_kept = kept.size() - body_at - std::strlen("\r\n---BODY ST---\r\n");
    EXPECT_LE(header_kept, corvex::kWorkHeaderKeptMax);
    EXPECT_GT(header_kept, corvex::kWorkHeaderKeptMax - filler.size())
        << "kept up to the bound, cut at a line";
    EXPECT_TRUE(kept.starts_with("---HEAD ST---\r\nFrom: first@example.jp\r\nX-Filler: fff"));
    EXPECT_LE(body_kept, corvex::kWorkBodyKeptMax);
    EXPECT_GT(body_kept, corvex::kWorkBodyKeptMax - body_line.size());
    EXPECT_EQ(scan.from_line(), "From: first@example.jp");
    EXPECT_EQ(scan.subject_line(), "Subject: late") << "lines beyond the bound are still scanned";
    EXPECT_EQ(BuildMessageKey(scan).key, "<late@example.jp>");
    EXPECT_EQ(scan.bytes_read(), static_cast<long>(header.size() + body.size()));
}

TEST(HeaderScan, TerminatorLine) {
    EXPECT_TRUE(HeaderScanner::IsTerminator(".\r"));
    EXPECT_TRUE(HeaderScanner::IsTerminator("."));
    EXPECT_FALSE(HeaderScanner::IsTerminator(".."));
    EXPECT_FALSE(HeaderScanner::IsTerminator("\r\n"));
}

TEST(HeaderScan, BeginClearsTheLastScan) {
    HeaderScanner scan = Scan({"From: a@example.jp", "To: b@example.jp", "Content-Type: multipart/mixed"});
    scan.Begin(2);
    scan.Feed("Subject: s", 12);
    scan.Finish();
    EXPECT_TRUE(scan.from_line().empty());
    EXPECT_TRUE(scan.to_entries().empty());
    EXPECT_EQ(scan.attachment(), 0);
    EXPECT_EQ(scan.bytes_read(), 12);
}

TEST(HeaderScan, BuffersStayWithinTheirBounds) {
    HeaderScanner scan;
    scan.Begin(1);
    const std::string big(5000, 'x');
    for (const char* name : {"From: ", "Date: ", "Received: ", "Subject: ", "X-Mailer: ", "X-UIDL: ",
                             "Content-Type: ", "Message-ID: ", "To: "}) {
        scan.Feed(name + big, 0);
        for (int i = 0; i < 5; ++i)
            scan.Feed(" " + big, 0);
    }
    scan.Finish();
    EXPECT_EQ(scan.from_line().size(), corvex::kScanFromMax);
    EXPECT_EQ(scan.date_line().size(), corvex::kScanDateMax);
    EXPECT_EQ(scan.received_line().size(), corvex::kScanReceivedMax);
    EXPECT_EQ(scan.subject_line().size(), corvex::kScanSubjectMax);
    EXPECT_EQ(scan.mailer_line().size(), corvex::kScanMailerMax);
    EXPECT_EQ(scan.uidl().size(), corvex::kScanUidlMax);
    EXPECT_EQ(scan.content_type(0).size(), corvex::kScanContentTypeMax);
    EXPECT_EQ(scan.message_id().size(), corvex::kScanMessageIdMax);
    ASSERT_EQ(scan.to_entries().size(), 1u);
    EXPECT_EQ(scan.to_entries()[0].size(), corvex::kScanRecipientRawMax);

    const MessageSummary s = BuildSummary(scan, kJapan);
    EXPECT_LE(s.subject.size(), corvex::kSubjectMax);
    EXPECT_LE(s.from_address.size(), corvex::kFromMax);
    EXPECT_LE(s.from_name.size(), corvex::kFromMax);
    EXPECT_LE(s.to[0].address.size(), corvex::kAddressMax);
    EXPECT_LE(s.to[0].name.size(), corvex::kAddressMax);
    EXPECT_LE(s.mailer.size(), corvex::kMailerMax);
    EXPECT_LE(s.key_suffix.size(), corvex::kKeySuffixMax);
}

// ---- the public mail corpus -----------------------------------------------------------

const std::filesystem::path kCorpus =
    std::filesystem::path(PELMORA_SOURCE_DIR) / ".." / "shared" / "fixtures" / "public-mail";

// The reply lines of "TOP n 20" for a stored message: the header, the empty line and at
// most 20 body lines.
Lines TopLines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    Lines lines;
    bool body = false;
    int body_lines = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (body && ++body_lines > 20) break;
        if (line.empty()) body = true;
        if (!line.empty() && line[0] == '.') line.insert(0, "."); // as a server sends it
        lines.push_back(line);
    }
    return lines;
}

MessageSummary CorpusSummary(const char* relative) {
    return Summary(TopLines(kCorpus / relative));
}

TEST(PublicMailCorpus, EveryMessageGivesASensibleSummary) {
    if (!std::filesystem::is_directory(kCorpus))
        GTEST_SKIP() << "public mail corpus not found at " << kCorpus;
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kCorpus)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".eml") continue;
        ++files;
        SCOPED_TRACE(entry.path().string());
        std::vector<std::string> work;
        const Lines lines = TopLines(entry.path());
        const HeaderScanner scan = Scan(lines, files, &work);
        const MessageSummary s = BuildSummary(scan, kJapan);
        EXPECT_FALSE(s.key.empty());
        EXPECT_EQ(s.key.find_first_of(" \t\r\n"), std::string::npos);
        EXPECT_FALSE(s.from_address.empty());
        EXPECT_FALSE(s.subject.empty());
        EXPECT_FALSE(s.send_date.empty());
        EXPECT_FALSE(s.received_date.empty());
        EXPECT_LE(s.subject.size(), corvex::kSubjectMax);
        EXPECT_LE(s.to.size(), corvex::kMaxRecipients);
        for (const auto& r : s.to)
            EXPECT_LE(r.address.size(), corvex::kAddressMax);
        EXPECT_EQ(work.front(), "---HEAD ST---");
        EXPECT_EQ(work.size(), lines.size() + 2u) << "one line each, plus the two markers";
    }
    EXPECT_GT(files, 50);
}

TEST(PublicMailCorpus, KnownMessages) {
    if (!std::filesystem::is_directory(kCorpus))
        GTEST_SKIP() << "public mail corpus not found at " << kCorpus;

    MessageSummary s = CorpusSummary("multi_charset/japanese.eml");
    EXPECT_EQ(Utf8(s.subject), "まみむめも");
    EXPECT_EQ(s.from_display, "Mikel Lindsaar<raasdnil@gmail.com>");
    ASSERT_EQ(s.to.size(), 1u);
    EXPECT_EQ(Utf8(s.to[0].name), "みける");
    EXPECT_TRUE(s.synthesised_key);

    s = CorpusSummary("multi_charset/japanese_shift_jis.eml");
    EXPECT_EQ(s.send_date, "2014/05/28 17:18");
    EXPECT_EQ(s.key, "<xxxxx@docomo.ne.jp>");
    EXPECT_EQ(s.from_address, "xxxxxxx@docomo.ne.jp");

    s = CorpusSummary("error_emails/new_line_in_to_header.eml");
    EXPECT_EQ(Addresses(s.to),
              (Strings{"leads@sg.dc.com", "sag@leads.gs.ry.com", "sn@example-hotmail.com",
                       "e-s-a-g-8718@app.ar.com", "jp@t-exmaple.com", "cc@c-l-example.com"}));
    EXPECT_EQ(s.received_date, "2010/10/13 23:44");

    s = CorpusSummary("error_emails/weird_to_header.eml");
    EXPECT_EQ(Addresses(s.to), (Strings{"", "user-example@aol.com", "e-s-a-s-2200@app.ar.com"}));
    EXPECT_EQ(s.subject, texts::kSummaryNoSubject);
    EXPECT_EQ(s.send_date, "2010/10/15 12:25");

    s = CorpusSummary("error_emails/empty_group_lists.eml");
    EXPECT_EQ(Addresses(s.to), (Strings{"undisclosedrecipients:;"}));
    EXPECT_EQ(s.html, 1);
    EXPECT_EQ(s.mailer, "YahooMailClassic/8.1.6 YahooMailWebService/0.8.100.260964");
    EXPECT_EQ(s.received_date, "2009/12/04 03:50");

    s = CorpusSummary("mime_emails/two_from_in_message.eml");
    EXPECT_EQ(s.from_address, "tester1@test.com");
    EXPECT_EQ(s.html, 1);
    EXPECT_EQ(s.attachment, 0);

    s = CorpusSummary("attachment_emails/attachment_pdf.eml");
    EXPECT_EQ(s.attachment, 1);
}

} // namespace

namespace {

// A control character in a Message-ID, an X-UIDL or a synthesised key would split the key's
// field when the seen list or the index is read back.
TEST(HeaderScan, KeyHoldsNoControlCharacter) {
    const struct {
        Lines lines;
        const char* key;
    } cases[] = {
        {{"Message-ID: <a\v../../x\f-1\x7f\x1b[2J@h>"}, "<a../../x-1[2J@h>"},
        {{"X-UIDL: u\v../x\f-1"}, "u../x-1"},
        {{"From: a\v<b@h>", "Subject: s\x01\x7f"
                            "1"},
         "From++a<b@h>Subject++s1"},
    };
    for (const auto& c : cases) {
        const corvex::MessageKey key = BuildMessageKey(Scan(c.lines));
        EXPECT_EQ(key.key, c.key);
    }
}

} // namespace
