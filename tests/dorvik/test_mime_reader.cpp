// The MIME reader: line reader, header collector, multipart walker and ReadMultiPart, on
// cache-file fixtures (tests/data/mime, made by gen_fixtures.py there).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dorvik.h"
#include "reader/header_collector.h"
#include "reader/line_reader.h"
#include "reader/multipart_walker.h"

using namespace dorvik;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenFixture(const char* name) {
    std::string path = std::string(PELMORA_TEST_DATA) + "/mime/" + name;
    File f(std::fopen(path.c_str(), "rb"));
    EXPECT_TRUE(f) << path;
    return f;
}

// A stream holding `bytes`, positioned at its start.
File StreamOf(const std::string& bytes) {
    File f(std::tmpfile());
    EXPECT_TRUE(f);
    std::fwrite(bytes.data(), 1, bytes.size(), f.get());
    std::rewind(f.get());
    return f;
}

// Reads the cache file up to the body marker as the viewer does; returns the top-level
// boundary when the message is multipart.
std::string SkipToBody(std::FILE* f, bool* multipart = nullptr) {
    char upper_line[1024];
    LineReader reader(f, upper_line, sizeof upper_line);
    char block[2048];
    char upper[1024];
    char charset[2] = "J", encoding[4] = "", file_name[512] = "", boundary[128] = "";
    bool is_multipart = false;
    bool in_head = false;
    for (;;) {
        int n = CollectHeader(reader, block, sizeof block, upper, sizeof upper);
        if (n < 0) break;
        if (std::strcmp(block, "---HEAD ST---") == 0) in_head = true;
        if (std::strcmp(block, "---BODY ST---") == 0) break;
        if (in_head && std::strncmp(upper, "CONTENT-TYPE:", 13) == 0) {
            char work[512];
            int kind = 1;
            int type = CheckContentHD(block, work, charset, encoding, file_name, boundary, &kind);
            is_multipart = type == 2 || type == 3;
        }
    }
    if (multipart != nullptr) *multipart = is_multipart;
    return boundary;
}

struct Walked {
    std::vector<std::string> parts;
    std::vector<int> kinds;
    std::string attachments;
    std::vector<int> results; // of each walk until the end of the stream
    bool consecutive = true;  // every part starts right after the previous string's NUL
};

// Walks a multipart fixture again and again until the end of the file, as the viewer does.
Walked WalkFixture(const char* name, PartTable& table, std::size_t area_size = 1 << 16) {
    Walked w;
    File f = OpenFixture(name);
    if (!f) return w;
    bool multipart = false;
    std::string boundary = SkipToBody(f.get(), &multipart);
    EXPECT_TRUE(multipart) << name;
    std::vector<char> area(area_size, '\0');
    std::vector<char> attachments(4096, '\0');
    char upper[1024];
    MultipartContext ctx{f.get(),
                         TextArea(area.data(), area.data() + area.size()),
                         attachments.data(),
                         attachments.data() + attachments.size(),
                         &table,
                         upper,
                         sizeof upper};
    int result;
    do {
        result = WalkMultipart(ctx, boundary.c_str(), nullptr);
        w.results.push_back(result);
    } while (result != kEndOfStream && result != kPositionFailed && w.results.size() < 100);
    for (int i = 0; i < table.count(); ++i) {
        w.parts.emplace_back(table.start(i));
        w.kinds.push_back(table.kind(i));
        if (i > 0 && table.start(i) != table.start(i - 1) + std::strlen(table.start(i - 1)) + 1) {
            w.consecutive = false;
        }
    }
    w.attachments = attachments.data();
    return w;
}

} // namespace

// ---- Line reader ------------------------------------------------------------------------

TEST(LineReader, ReadsLinesAsTextModeDoes) {
    File f = StreamOf("abc\r\nlone\rcr\r\n\r\nlf only\nlast");
    char upper[16];
    LineReader r(f.get(), upper, sizeof upper);
    EXPECT_EQ(r.Read(kReadLine), 3);
    EXPECT_STREQ(r.raw(), "abc");
    EXPECT_STREQ(upper, "ABC");
    EXPECT_EQ(r.Read(kReadLine), 7);
    EXPECT_STREQ(r.raw(), "lone\rcr"); // only a CR right before the LF goes
    EXPECT_EQ(r.Read(kReadLine), 0);
    EXPECT_EQ(r.Read(kReadLine), 7);
    EXPECT_STREQ(r.raw(), "lf only");
    EXPECT_EQ(r.Read(kReadLine), 4); // a last line without LF still counts
    EXPECT_STREQ(r.raw(), "last");
    EXPECT_EQ(r.Read(kReadLine), kEndOfStream);
    EXPECT_EQ(r.Read(kPeekLine), kEndOfStream);
}

TEST(LineReader, PeekAndUnreadGoBack) {
    File f = StreamOf("one\r\ntwo\r\nthree\r\n");
    LineReader r(f.get(), nullptr, 0);
    EXPECT_EQ(r.Read(kPeekLine), 3);
    EXPECT_STREQ(r.raw(), "one");
    EXPECT_EQ(r.Read(kReadLine), 3);
    EXPECT_STREQ(r.raw(), "one");
    EXPECT_EQ(r.Read(kReadMarkLine), 3);
    EXPECT_STREQ(r.raw(), "two");
    EXPECT_EQ(r.Unread(), 0);
    EXPECT_EQ(r.Read(kReadLine), 3);
    EXPECT_STREQ(r.raw(), "two");
    EXPECT_EQ(r.Unread(), kPositionFailed); // nothing remembered
    EXPECT_EQ(r.Read(kReadMarkLine), 5);
    EXPECT_EQ(r.Read(kReadMarkLine), kEndOfStream);
    EXPECT_EQ(r.Unread(), 0); // back at the end: still the end
    EXPECT_EQ(r.Read(kReadLine), kEndOfStream);
}

TEST(LineReader, CutsOverlongLinesAndUpperCopy) {
    std::string longline(3000, 'x');
    longline[kLineMax - 1] = 'y';
    File f = StreamOf(longline + "\r\nnext\r\n" + std::string(kLineMax, 'z') + "\r\n");
    char upper[8];
    LineReader r(f.get(), upper, sizeof upper);
    EXPECT_EQ(r.Read(kReadLine), kLineMax);
    EXPECT_EQ(std::strlen(r.raw()), static_cast<std::size_t>(kLineMax));
    EXPECT_EQ(r.raw()[kLineMax - 1], 'y');
    EXPECT_STREQ(upper, "XXXXXXX"); // cut to the caller's capacity
    EXPECT_EQ(r.Read(kReadLine), 4);
    EXPECT_STREQ(r.raw(), "next");          // the rest of the long line is dropped
    EXPECT_EQ(r.Read(kReadLine), kLineMax); // exactly the longest line, its CR removed
    EXPECT_EQ(r.raw()[kLineMax - 1], 'z');
}

// ---- Header collector -------------------------------------------------------------------

TEST(HeaderCollector, JoinsTheLinesOfAField) {
    struct Case {
        const char* input;
        std::vector<std::string> blocks; // "" stands for an empty line (result 0)
    } cases[] = {
        {"Subject: a\r\n continued\r\nX: b\r\n", {"Subject: a", " continued", "X: b"}},
        // Parameters after ";" are joined as they are; the Content-* fields after it and its
        // folded lines too, and the first field of another kind ends the block.
        {"Content-Type: multipart/mixed;\r\n\tboundary=\"b\"\r\nContent-Transfer-Encoding: 7bit\r\n"
         "MIME-Version: 1.0\r\nX: y\r\n",
         {"Content-Type: multipart/mixed;\r\n\tboundary=\"b\"\r\nContent-Transfer-Encoding: "
          "7bit\r\nMIME-Version: 1.0",
          "X: y"}},
        // A text type without ";" takes a following charset line.
        {"Content-Type: text/plain\r\n charset=\"ISO-2022-JP\"\r\n\r\nbody\r\n",
         {"Content-Type: text/plain\r\n charset=\"ISO-2022-JP\"", "body"}},
        // Folded lines lose their blanks; they go on a new line only after a transfer encoding.
        {"Content-Type: text/plain; charset=x\r\n  format=flowed\r\nContent-Transfer-Encoding:\r\n  "
         "base64\r\n\r\n",
         {"Content-Type: text/plain; charset=xformat=flowed\r\nContent-Transfer-Encoding:\r\nbase64"}},
        // A disposition's parameters; the empty line after it stays for the next read.
        {"Content-Disposition: attachment;\r\n filename=a.txt\r\n\r\n",
         {"Content-Disposition: attachment;\r\n filename=a.txt", ""}},
        // The body marker of a cache file is never joined.
        {"Content-Type: text/plain; charset=x\r\n---BODY ST---\r\n",
         {"Content-Type: text/plain; charset=x", "---BODY ST---"}},
    };
    for (const auto& c : cases) {
        File f = StreamOf(c.input);
        LineReader r(f.get(), nullptr, 0);
        std::vector<std::string> got;
        char block[512];
        char upper[512];
        for (;;) {
            int n = CollectHeader(r, block, sizeof block, upper, sizeof upper);
            if (n < 0) break;
            EXPECT_EQ(n, static_cast<int>(std::strlen(block)));
            got.emplace_back(block);
            std::string up(block);
            for (char& ch : up)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            EXPECT_EQ(up, upper);
        }
        EXPECT_EQ(got, c.blocks) << c.input;
    }
}

TEST(HeaderCollector, CutsTheBlockToItsCapacity) {
    File f = StreamOf("Content-Type: multipart/mixed;\r\n boundary=\"0123456789\"\r\n\r\n");
    LineReader r(f.get(), nullptr, 0);
    char block[24];
    char upper[8];
    std::memset(block, '#', sizeof block);
    EXPECT_EQ(CollectHeader(r, block, sizeof block, upper, sizeof upper), 23);
    EXPECT_STREQ(block, "Content-Type: multipart");
    EXPECT_STREQ(upper, "CONTENT");
    EXPECT_EQ(CollectHeader(r, block, sizeof block, upper, sizeof upper), kEndOfStream);
}

// ---- Multipart walker -------------------------------------------------------------------

TEST(MultipartWalker, AlternativeGivesTwoConsecutiveStrings) {
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("alternative.emf", table);
    ASSERT_EQ(w.parts.size(), 2u);
    EXPECT_EQ(w.parts[0], "\x96{\x95\xb6\x82\xc5\x82\xb7\x81"
                          "B\r\n"); // 本文です。
    EXPECT_EQ(w.parts[1], "<html><body>\x96{\x95\xb6\x82\xc5\x82\xb7\x81"
                          "B</body></html>\r\n");
    EXPECT_EQ(w.kinds, (std::vector<int>{kPartPlain, kPartHtml}));
    EXPECT_TRUE(w.consecutive);
    EXPECT_EQ(w.attachments, "");
    EXPECT_GT(w.results.front(), 0); // the first walk ends at the end marker
    EXPECT_EQ(w.results.back(), kEndOfStream);
}

TEST(MultipartWalker, NestedMultipartDoesNotEndTheOuterWalk) {
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("nested.emf", table);
    ASSERT_EQ(w.parts.size(), 3u);
    EXPECT_EQ(w.parts[0], "\x88\xea\r\n");        // 一
    EXPECT_EQ(w.parts[1], "<b>\x93\xf1</b>\r\n"); // 二, inside the nested multipart
    EXPECT_EQ(w.parts[2], "\x8eO\r\n");           // 三, after the nested end marker
    EXPECT_EQ(w.kinds, (std::vector<int>{kPartPlain, kPartHtml, kPartPlain}));
    EXPECT_EQ(w.attachments, "x.bin;");
    // One walk reads the whole body; the outer end marker is not taken for a new part.
    EXPECT_EQ(w.results.size(), 2u);
}

TEST(MultipartWalker, NestedMultipartAsTheLastPart) {
    // After the nested walk, the outer end marker ends the outer walk: it starts no part.
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("nested_last.emf", table);
    EXPECT_EQ(w.parts, (std::vector<std::string>{"plain\r\n", "<img src=\"cid:i1\">\r\n"}));
    EXPECT_EQ(w.attachments, "image.png;");
    EXPECT_EQ(w.results.size(), 2u);
}

TEST(MultipartWalker, AttachmentNamesAreDecodedAndStripped) {
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("attachments.emf", table);
    ASSERT_EQ(w.parts.size(), 1u);
    EXPECT_EQ(w.parts[0], "see attached\r\n");
    EXPECT_EQ(w.attachments, "a.txt;\x8e\x91\x97\xbf.txt;b c.pdf;message;"); // 資料.txt
}

TEST(MultipartWalker, QuotedPrintableJisAcrossSoftBreaks) {
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("qp_jis.emf", table);
    ASSERT_EQ(w.parts.size(), 1u);
    // 日本語の出口です / ABC春 / XY夏: soft breaks join the lines, whatever they cut.
    EXPECT_EQ(w.parts[0],
              "\x93\xfa\x96{\x8c\xea\x82\xcc\x8fo\x8c\xfb\x82\xc5\x82\xb7\r\nABC\x8ft\r\nXY\x89\xc4\r\n");
}

TEST(MultipartWalker, QuotedPrintableMultibyteCharactersCutBySoftBreaks) {
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("qp_multibyte.emf", table);
    ASSERT_EQ(w.parts.size(), 3u);
    EXPECT_EQ(w.parts[0], "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x90\xa2\x8a"
                          "E\r\n"); // こんにちは世界 (UTF-8)
    EXPECT_EQ(w.parts[1], "\x93\xfa\x96{\x8c\xea\x82\xcc\x83"
                          "e\x83L\x83X\x83g\r\n");                    // 日本語のテキスト (EUC-JP)
    EXPECT_EQ(w.parts[2], "\x95\\\x8e\xa6\x82\xcc\x8fo\x8c\xfb\r\n"); // 表示の出口 (Shift_JIS)
}

TEST(MultipartWalker, Base64JisLinesEndingInsideADoubleByteRun) {
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("base64_jis.emf", table);
    ASSERT_EQ(w.parts.size(), 1u);
    // AB日本語のテO / CDキ / EスG
    EXPECT_EQ(w.parts[0], "AB\x93\xfa\x96{\x8c\xea\x82\xcc\x83"
                          "eO\r\nCD\x83L\r\nE\x83XG\r\n");
}

TEST(MultipartWalker, Utf8AndUtf7Bodies) {
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("utf.emf", table);
    ASSERT_EQ(w.parts.size(), 3u);
    EXPECT_EQ(w.parts[0], "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x90\xa2\x8a"
                          "E\r\n");                                        // こんにちは世界
    EXPECT_EQ(w.parts[1], "\x93\xfa\x96{\x8c\xea\r\n");                    // 日本語
    EXPECT_EQ(w.parts[2], "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\r\n"); // こんにちは
}

TEST(MultipartWalker, DeliveryStatusIsATextPartAndEnclosedMessageAnAttachment) {
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("dsn.emf", table);
    ASSERT_EQ(w.parts.size(), 2u);
    EXPECT_EQ(w.parts[0], "Delivery failed.\r\n");
    EXPECT_EQ(w.parts[1],
              "Reporting-MTA: dns; mx.example.jp\r\n\r\nFinal-Recipient: rfc822; nobody@example.jp\r\n"
              "Action: failed\r\n");
    EXPECT_EQ(w.kinds, (std::vector<int>{kPartPlain, kPartDeliveryStatus}));
    EXPECT_EQ(w.attachments, "message;");
}

TEST(MultipartWalker, StreamEndingInsideAPartKeepsWhatWasRead) {
    FixedPartTable<kLibraryPartRoom> table;
    Walked w = WalkFixture("truncated.emf", table);
    ASSERT_EQ(w.parts.size(), 2u);
    EXPECT_EQ(w.parts[0], "first\r\n");
    EXPECT_EQ(w.parts[1], "second 1\r\nsecond 2\r\n");
    EXPECT_EQ(w.results, (std::vector<int>{kEndOfStream}));
}

TEST(MultipartWalker, PartsBeyondTheRoomAreNotRecorded) {
    FixedPartTable<3> small;
    Walked w = WalkFixture("many_parts.emf", small);
    EXPECT_EQ(w.parts, (std::vector<std::string>{"part 1\r\n", "part 2\r\n", "part 3\r\n"}));
    EXPECT_EQ(w.attachments, "last.bin;"); // the walk goes on past the room

    FixedPartTable<kViewerPartRoom> viewer;
    Walked v = WalkFixture("many_parts.emf", viewer);
    ASSERT_EQ(v.parts.size(), static_cast<std::size_t>(kViewerPartRoom));
    EXPECT_EQ(v.parts.back(), "part 76\r\n");
    EXPECT_TRUE(v.consecutive);
}

TEST(MultipartWalker, TextAreaEndCutsAndNoPartPointsOutside) {
    FixedPartTable<kLibraryPartRoom> table;
    // 80 parts of 9 bytes each do not fit in 100 bytes: the text is cut, never overrun (ASan).
    Walked w = WalkFixture("many_parts.emf", table, 100);
    ASSERT_EQ(w.parts.size(), 80u);
    EXPECT_EQ(w.parts[0], "part 1\r\n");
    std::size_t total = 0;
    for (const auto& p : w.parts)
        total += p.size() + 1;
    EXPECT_LE(total, 100u + 80u); // the last parts share the area's last byte
    EXPECT_EQ(w.parts.back(), "");
    EXPECT_EQ(w.attachments, "last.bin;");
}

TEST(MultipartWalker, PartsWithoutHeadersAndEmptyBoundary) {
    // A part without headers is plain ISO-2022-JP text; the boundary line is matched by
    // content.
    File f = StreamOf("preamble\r\n--=_b_01\r\n\r\nplain\r\n\r\nline 2\r\n\r\n--=_b_01--\r\nepilogue\r\n");
    std::vector<char> area(256, '\0');
    std::vector<char> attachments(64, '\0');
    FixedPartTable<4> table;
    MultipartContext ctx{f.get(),
                         TextArea(area.data(), area.data() + area.size()),
                         attachments.data(),
                         attachments.data() + attachments.size(),
                         &table,
                         nullptr,
                         0};
    EXPECT_EQ(WalkMultipart(ctx, "=_b_01", nullptr), 10);
    ASSERT_EQ(table.count(), 1);
    EXPECT_STREQ(table.start(0), "plain\r\n\r\nline 2\r\n");
    EXPECT_EQ(WalkMultipart(ctx, "=_b_01", nullptr), kEndOfStream);
    EXPECT_EQ(table.count(), 1);

    // An empty boundary matches no line.
    File g = StreamOf("--\r\n\r\ntext\r\n");
    MultipartContext ctx2{g.get(),
                          TextArea(area.data(), area.data() + area.size()),
                          attachments.data(),
                          attachments.data() + attachments.size(),
                          &table,
                          nullptr,
                          0};
    table.Reset();
    EXPECT_EQ(WalkMultipart(ctx2, "", nullptr), kEndOfStream);
    EXPECT_EQ(table.count(), 0);
}

TEST(MultipartWalker, NestedWalkStopsAtTheEnclosingBoundary) {
    // The nested multipart's own boundary never comes: its walk must not run past the
    // enclosing boundary, so the part after it is still read.
    File f =
        StreamOf("--=_o\r\nContent-Type: multipart/mixed; boundary=\"=_missing\"\r\n\r\nno parts here\r\n"
                 "--=_o\r\nContent-Type: text/plain\r\n\r\nafter\r\n--=_o--\r\n");
    std::vector<char> area(256, '\0');
    char attachments[16] = {};
    FixedPartTable<4> table;
    MultipartContext ctx{f.get(),
                         TextArea(area.data(), area.data() + area.size()),
                         attachments,
                         attachments + sizeof attachments,
                         &table,
                         nullptr,
                         0};
    EXPECT_GT(WalkMultipart(ctx, "=_o", nullptr), 0);
    ASSERT_EQ(table.count(), 1);
    EXPECT_STREQ(table.start(0), "after\r\n");
}

TEST(MultipartWalker, AttachmentBodiesLeaveNoTextBehind) {
    // Blank lines inside an attachment add nothing to the text area.
    File f =
        StreamOf("--=_a\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n\r\nx\r\n\r\n\r\ny\r\n"
                 "--=_a--\r\n");
    std::vector<char> area(64, '\0');
    char attachments[16] = {};
    FixedPartTable<4> table;
    MultipartContext ctx{f.get(),
                         TextArea(area.data(), area.data() + area.size()),
                         attachments,
                         attachments + sizeof attachments,
                         &table,
                         nullptr,
                         0};
    WalkMultipart(ctx, "=_a", nullptr);
    EXPECT_EQ(std::string(area.data(), area.size()), std::string(area.size(), '\0'));
    EXPECT_STREQ(attachments, "a.bin;");
}

TEST(MultipartWalker, AttachmentListIsBoundedByItsEnd) {
    std::string body = "--=_b_01\r\nContent-Type: application/octet-stream; name=\"first.bin\"\r\n\r\nx\r\n"
                       "--=_b_01\r\nContent-Type: application/octet-stream; name=\"second.bin\"\r\n\r\nx\r\n"
                       "--=_b_01--\r\n";
    File f = StreamOf(body);
    char area[64] = {};
    char attachments[16];
    std::memset(attachments, '#', sizeof attachments);
    attachments[0] = '\0';
    FixedPartTable<4> table;
    MultipartContext ctx{f.get(),
                         TextArea(area, area + sizeof area),
                         attachments,
                         attachments + sizeof attachments,
                         &table,
                         nullptr,
                         0};
    WalkMultipart(ctx, "=_b_01", nullptr);
    EXPECT_STREQ(attachments, "first.bin;"); // "second.bin;" does not fit whole
    EXPECT_EQ(attachments[15], '#');
}

TEST(MultipartWalker, DeepNestingIsBounded) {
    // Every part opens a new multipart: past the nesting limit the rest is skipped, and the
    // stack stays small however deep the message goes.
    std::string body;
    for (int i = 0; i < 5000; ++i) {
        body += "--b" + std::to_string(i) + "z\r\nContent-Type: multipart/mixed; boundary=\"b" +
                std::to_string(i + 1) + "z\"\r\n\r\n";
    }
    body += "--b5000z\r\n\r\ndeep text\r\n";
    File f = StreamOf(body);
    std::vector<char> area(256, '\0');
    char attachments[16] = {};
    FixedPartTable<4> table;
    MultipartContext ctx{f.get(),
                         TextArea(area.data(), area.data() + area.size()),
                         attachments,
                         attachments + sizeof attachments,
                         &table,
                         nullptr,
                         0};
    EXPECT_EQ(WalkMultipart(ctx, "b0z", nullptr), kEndOfStream);
    EXPECT_EQ(table.count(), 0);
}

// ---- ReadMultiPart ------------------------------------------------------------------------

TEST(ReadMultiPart, WritesTextPartsWithinTheLimits) {
    File f = OpenFixture("alternative.emf");
    ASSERT_TRUE(f);
    std::string boundary = SkipToBody(f.get());
    ASSERT_EQ(boundary, "alt-1");
    char area[24];
    std::memset(area, '#', sizeof area);
    area[0] = '\0';
    char attachments[32] = {};
    char upper[1024];
    DorvikReadLimits limits{area + 20, attachments + sizeof attachments};
    int result =
        ReadMultiPart(f.get(), area, attachments, upper, sizeof upper, boundary.c_str(), nullptr, &limits);
    EXPECT_GT(result, 0);
    EXPECT_STREQ(area, "\x96{\x95\xb6\x82\xc5\x82\xb7\x81"
                       "B\r\n");
    // The second part is cut at the area's end, on a character boundary.
    EXPECT_STREQ(area + 13, "<html>");
    EXPECT_EQ(area[20], '#');
    EXPECT_STREQ(upper, "--ALT-1--");
    EXPECT_EQ(
        ReadMultiPart(f.get(), area, attachments, upper, sizeof upper, boundary.c_str(), nullptr, nullptr),
        kEndOfStream);
}

TEST(ReadMultiPart, RejectsMissingStream) {
    char area[8] = {};
    char attachments[8] = {};
    EXPECT_EQ(ReadMultiPart(nullptr, area, attachments, nullptr, 0, "b", nullptr, nullptr), -1);
}
