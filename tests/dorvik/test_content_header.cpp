// CheckContentHD, TagDeleteStr and GetLastPointer.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "dorvik.h"

namespace {

struct Classified {
    int result;
    std::string charset, encoding, file_name, boundary;
    int kind;
};

Classified Classify(const std::string& header) {
    char work[DORVIK_HEADER_CAP + 8];
    std::memset(work, '#', sizeof work);
    char charset[2] = "J";
    char encoding[2] = "";
    char file_name[DORVIK_HEADER_CAP] = "untouched";
    char boundary[DORVIK_BOUNDARY_CAP + 8];
    std::memset(boundary, '#', sizeof boundary);
    boundary[0] = '\0';
    int kind = 0;
    int result = CheckContentHD(header.c_str(), work, charset, encoding, file_name, boundary, &kind);
    // The work buffer and the boundary are never written past their sizes.
    for (std::size_t i = DORVIK_HEADER_CAP; i < sizeof work; ++i)
        EXPECT_EQ(work[i], '#');
    for (std::size_t i = DORVIK_BOUNDARY_CAP; i < sizeof boundary; ++i)
        EXPECT_EQ(boundary[i], '#');
    std::string upper = header.substr(0, DORVIK_HEADER_CAP - 1);
    for (char& ch : upper)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(std::string(work), upper);
    return Classified{result, charset, encoding, file_name, boundary, kind};
}

} // namespace

TEST(CheckContentHD, TextParts) {
    struct Case {
        const char* header;
        const char* charset;
        const char* encoding;
        int kind;
    } cases[] = {
        {"Content-Type: text/plain; charset=utf-8", "8", "", 1},
        {"Content-Type: text/html; charset=\"EUC-JP\"\r\nX-Also: UTF-8", "8", "", 2}, // later names win
        {"Content-Type: text/plain; charset=Shift_JIS", "S", "", 1},
        {"Content-Type: text/plain; charset=euc-jp", "E", "", 1},
        {"Content-Type: text/plain; charset=utf-7", "7", "", 1},
        {"Content-Type: text/plain; charset=iso-8859-1", "J", "", 1}, // unknown: left as it was
        {"Content-Type: text/enriched", "J", "", 9},
        {"Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: base64", "J", "B", 1},
        {"Content-Type: text/plain\r\nContent-Transfer-Encoding: Quoted-Printable", "J", "Q", 1},
        {"Content-Type: text/plain\r\nContent-Transfer-Encoding: 7-bit", "J", "7", 1},
        {"Content-Type: text/plain\r\nContent-Transfer-Encoding: 7bit", "J", "", 1},
        {"Content-Type: text/plain\r\nX-Note: base64", "J", "", 1}, // no transfer-encoding field
        {"Content-Type: message/delivery-status\r\nContent-Transfer-Encoding: base64", "J", "", 3},
    };
    for (const auto& c : cases) {
        Classified got = Classify(c.header);
        EXPECT_EQ(got.result, 1) << c.header;
        EXPECT_EQ(got.charset, c.charset) << c.header;
        EXPECT_EQ(got.encoding, c.encoding) << c.header;
        EXPECT_EQ(got.kind, c.kind) << c.header;
        EXPECT_EQ(got.file_name, c.kind == 3 ? "untouched" : "") << c.header;
    }
}

TEST(CheckContentHD, MultipartAndBoundary) {
    struct Case {
        std::string header;
        int result;
        const char* boundary;
    } cases[] = {
        {"Content-Type: multipart/alternative; boundary=\"=_abc\"", 3, "=_abc"},
        {"Content-Type: multipart/mixed;\r\n\tboundary=\"----=_Part_1\"\r\nMIME-Version: 1.0", 2,
         "----=_Part_1"},
        {"Content-Type: multipart/mixed; boundary=\"b\"; x=alternative", 2, "b"}, // only before the first ";"
        {"Content-Type: multipart/mixed; boundary=Part_1; charset=x", 2, "Part_1"},
        {"Content-Type: multipart/mixed; boundary=Part_2\r\nX: y", 2, "Part_2"},
        {"Content-Type: multipart/related; BOUNDARY=\"CaseKept\"", 2, "CaseKept"},
        {"Content-Type: multipart/mixed", 2, ""},
        {"Content-Type: multipart/alternative; boundary=\"" + std::string(300, 'q') + "\"", 3, nullptr},
    };
    for (const auto& c : cases) {
        Classified got = Classify(c.header);
        EXPECT_EQ(got.result, c.result) << c.header;
        if (c.boundary != nullptr) {
            EXPECT_EQ(got.boundary, c.boundary) << c.header;
        } else {
            EXPECT_EQ(got.boundary, std::string(DORVIK_BOUNDARY_CAP - 1, 'q')); // cut to its buffer
        }
    }
}

TEST(CheckContentHD, AttachmentsAndTheirNames) {
    struct Case {
        std::string header;
        const char* file_name;
    } cases[] = {
        {"Content-Type: application/octet-stream;\r\n\tname=\"C:\\Documents and Settings\\user\\a.txt\"",
         "a.txt"},
        {"Content-Type: application/octet-stream; name=\"=?ISO-2022-JP?B?GyRCO3FOQRsoQi50eHQ=?=\"",
         "\x8e\x91\x97\xbf.txt"}, // 資料.txt
        {"Content-Type: application/octet-stream; name=\"dir\\\x95\x5c.txt\"",
         "\x95\x5c.txt"}, // 表: 0x5C trail byte
        {"Content-Type: application/pdf\r\nContent-Disposition: attachment; filename='b c.pdf'", "b c.pdf"},
        {"Content-Type: image/png; name=/home/u/c.png; x-size=3", "c.png"},
        {"Content-Type: image/png; Name=\"Mixed.png\"", "Mixed.png"},
        {"Content-Type: text/plain; charset=ISO-2022-JP; name=\"note.txt\"", "note.txt"}, // a named text part
        {"Content-Type: application/pdf", ""},
        {"Content-Type: message/rfc822", "message"},
        {"Content-Type: application/octet-stream; name=\"" + std::string(700, 'n') + ".bin\"",
         nullptr}, // cut at the header's 511 bytes
    };
    for (const auto& c : cases) {
        Classified got = Classify(c.header);
        EXPECT_EQ(got.result, 4) << c.header;
        if (c.file_name != nullptr) {
            EXPECT_EQ(got.file_name, c.file_name) << c.header;
        } else {
            EXPECT_EQ(got.file_name.size(),
                      DORVIK_HEADER_CAP - 1 - std::strlen("Content-Type: application/octet-stream; name=\""));
        }
    }
}

TEST(TagDeleteStr, HtmlToText) {
    struct Case {
        const char* html;
        const char* text;
    } cases[] = {
        {"a<br>b", "a\r\nb"},
        {"x<script>y</script>z", "xz"},
        {"<P>p</P>", "p\r\n"},
        {"line1\r\nline2\n", "line1line2"},
        {"<div>a</div><table><tr><td>b</td></tr></table>", "a\r\nb\r\n"},
        {"a<br >b< BR>c", "a\r\nb\r\nc"}, // blanks do not hide the tag
        {"<SCRIPT type=x>if (a > b && c < d) {}</Script >t", "t"},
        {"a > b", "a  b"},   // a ">" outside a tag is dropped
        {"<br>>>>", "\r\n"}, // and breaks no line
        {"&amp; &lt;", "&amp; &lt;"},
        {"\x82\xa0<b>\x95\x5c</b>", "\x82\xa0\x95\x5c"}, // あ表: Shift_JIS bytes pass unchanged
        {"", ""},
    };
    for (const auto& c : cases) {
        std::vector<char> out(std::strlen(c.html) + 1, '#'); // as large as the input, no more
        EXPECT_EQ(TagDeleteStr(out.data(), c.html), 0);
        EXPECT_STREQ(out.data(), c.text) << c.html;
    }
}

TEST(GetLastPointer, AddressOfTheNul) {
    const char* s = "abc";
    EXPECT_EQ(GetLastPointer(s), reinterpret_cast<intptr_t>(s + 3));
    char empty[1] = {'\0'};
    EXPECT_EQ(GetLastPointer(empty), reinterpret_cast<intptr_t>(empty));
}
