#include "corvex/engine/encoded_words.h"

#include <algorithm>
#include <cstring>

#include "corvex/engine/sjis_text.h"
#include "dorvik.h"

namespace corvex {

namespace {

static_assert(kHeaderTextCap == DORVIK_LINE_CAP);
constexpr int kCap = DORVIK_LINE_CAP;

enum class Charset { Jis, ShiftJis, Euc, Utf8, Utf7, Latin1 };

struct WordPrefix {
    std::string_view text;
    bool base64;
    Charset charset;
};

// In the order they are tried; for each charset the B form first.
constexpr WordPrefix kPrefixes[] = {
    {"=?ISO-2022-JP?B?", true, Charset::Jis},    {"=?ISO-2022-JP?Q?", false, Charset::Jis},
    {"=?SHIFT_JIS?B?", true, Charset::ShiftJis}, {"=?SHIFT_JIS?Q?", false, Charset::ShiftJis},
    {"=?EUC-JP?B?", true, Charset::Euc},         {"=?EUC-JP?Q?", false, Charset::Euc},
    {"=?UTF-8?B?", true, Charset::Utf8},         {"=?UTF-8?Q?", false, Charset::Utf8},
    {"=?UTF-7?B?", true, Charset::Utf7},         {"=?UTF-7?Q?", false, Charset::Utf7},
    {"=?ISO-8859-1?B?", true, Charset::Latin1},  {"=?ISO-8859-1?Q?", false, Charset::Latin1},
};

constexpr std::string_view kMarkers[] = {"=?ISO-2022-JP?", "=?SHIFT_JIS?", "=?EUC-JP?",
                                         "=?UTF-8?",       "=?UTF-7?",     "=?ISO-8859-1?"};

// A zero-filled library-sized buffer holding text as a C string (cut to fit).
struct LineBuffer {
    char data[kCap] = {};
    LineBuffer() = default;
    explicit LineBuffer(std::string_view text) {
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(kCap - 1));
        std::memcpy(data, text.data(), n);
    }
    int size_with_nul() const { return static_cast<int>(std::strlen(data)) + 1; }
    // The library never writes past the capacity; the terminator is kept in any case.
    std::string text() {
        data[kCap - 1] = '\0';
        return std::string(data);
    }
};

// The library's Base64 decoder keeps a pending group across calls, shared by the whole
// process. An encoded word is complete in itself: padding marks fed one at a time end
// whatever group is pending (at most four calls), so no word inherits or leaves stray
// characters.
void FlushBase64Group() {
    static const char kPad[] = "=";
    for (int i = 0; i < 4; ++i) {
        char sink[8] = {};
        if (DecodeLineB64(kPad, sizeof kPad, sink, sizeof sink) != 0) break;
    }
}

std::string DecodeWord(std::string_view encoded, bool base64, Charset charset) {
    LineBuffer in(encoded);
    LineBuffer decoded;
    if (base64) {
        FlushBase64Group();
        DecodeLineB64(in.data, in.size_with_nul(), decoded.data, kCap);
        FlushBase64Group();
    } else {
        // In the Q form of an encoded word an underscore stands for a blank.
        std::replace(in.data, in.data + kCap, '_', ' ');
        DecodeLineQ(in.data, in.size_with_nul(), decoded.data, kCap);
    }
    decoded.data[kCap - 1] = '\0';

    LineBuffer out;
    switch (charset) {
    case Charset::Jis:
        StrJIS2SJIS(decoded.data, decoded.size_with_nul(), out.data, kCap);
        break;
    case Charset::Euc:
        StrEUC2SJIS(decoded.data, decoded.size_with_nul(), out.data, kCap);
        break;
    case Charset::Utf8:
    case Charset::Utf7: {
        char pending[DORVIK_PENDING_CAP] = {};
        StrUTF2SJIS(decoded.data, decoded.size_with_nul(), out.data, kCap, charset == Charset::Utf7 ? 7 : 8,
                    pending);
        break;
    }
    case Charset::ShiftJis:
    case Charset::Latin1:
        return decoded.text();
    }
    return out.text();
}

bool StartsWithAt(std::string_view upper, std::size_t pos, std::string_view prefix) {
    return upper.size() - pos >= prefix.size() && upper.compare(pos, prefix.size(), prefix) == 0;
}

} // namespace

std::string DecodeHeaderText(std::string_view value) {
    value = value.substr(0, value.find('\0'));
    value = sjis::Prefix(value, kCap - 1);
    if (value.empty()) return {};

    const std::string upper = sjis::AsciiUpper(value);
    const bool has_word = std::any_of(std::begin(kMarkers), std::end(kMarkers), [&](std::string_view marker) {
        return upper.find(marker) != std::string::npos;
    });
    if (!has_word) {
        LineBuffer in(value);
        LineBuffer out;
        StrJIS2SJIS(in.data, in.size_with_nul(), out.data, kCap);
        std::string text = out.text();
        sjis::Cut(text, kCap - 1);
        return text;
    }

    std::string out;
    std::size_t pos = 0;
    while (pos < value.size() && out.size() < static_cast<std::size_t>(kCap)) {
        const WordPrefix* match = nullptr;
        for (const WordPrefix& prefix : kPrefixes) {
            if (StartsWithAt(upper, pos, prefix.text)) {
                match = &prefix;
                break;
            }
        }
        if (match == nullptr) {
            out.push_back(value[pos]);
            ++pos;
            continue;
        }
        const std::size_t start = pos + match->text.size();
        const std::size_t end = value.find("?=", start);
        const std::string_view encoded =
            end == std::string_view::npos ? value.substr(start) : value.substr(start, end - start);
        out += DecodeWord(encoded, match->base64, match->charset);
        pos = end == std::string_view::npos ? value.size() : end + 2;
    }
    sjis::Cut(out, kCap - 1);
    return out;
}

} // namespace corvex
