#include "corvex/filters/wildcard.h"

#include <algorithm>
#include <string>
#include <vector>

#include "bytes/sjis_bytes.h"

namespace corvex {

namespace {

using dorvik::bytes::CharLength;
using dorvik::bytes::ToAsciiLower;

std::string_view Bound(std::string_view s) {
    s = s.substr(0, s.find('\0'));
    return s.substr(0, kWildcardMax);
}

// The text split into its characters (one or two bytes each).
std::vector<std::string_view> SplitChars(std::string_view text) {
    std::vector<std::string_view> chars;
    chars.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = CharLength(text, i);
        chars.push_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

bool IsMark(std::string_view c, char mark) {
    return c.size() == 1 && c[0] == mark;
}

// "*" directly followed by "*" or "?" loses the follower, repeatedly.
std::vector<std::string_view> Normalise(std::vector<std::string_view> pattern) {
    std::vector<std::string_view> out;
    out.reserve(pattern.size());
    for (std::string_view c : pattern) {
        if (!out.empty() && IsMark(out.back(), '*') && (IsMark(c, '*') || IsMark(c, '?'))) continue;
        out.push_back(c);
    }
    return out;
}

// Single-byte characters compare with ASCII letters folded; a pair only equals the same pair.
bool Same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    if (a.size() == 1) return ToAsciiLower(a[0]) == ToAsciiLower(b[0]);
    return a == b;
}

class Matcher {
  public:
    Matcher(std::vector<std::string_view> text, std::vector<std::string_view> pattern)
        : text_(std::move(text)), pattern_(std::move(pattern)) {}

    bool Match(std::size_t t, std::size_t p) {
        for (;;) {
            if (t == text_.size()) return RestMatchesEmpty(p);
            if (p == pattern_.size()) return false;
            std::string_view c = pattern_[p];
            if (IsMark(c, '?')) {
                ++t;
                ++p;
            } else if (IsMark(c, '*')) {
                if (p + 1 == pattern_.size()) return true;
                return MatchAfterStar(t, p + 1);
            } else {
                if (!Same(c, text_[t])) return false;
                ++t;
                ++p;
            }
        }
    }

  private:
    bool RestMatchesEmpty(std::size_t p) const {
        const std::size_t rest = pattern_.size() - p;
        if (rest == 1 && IsMark(pattern_[p], '*')) return true;
        return std::all_of(pattern_.begin() + static_cast<std::ptrdiff_t>(p), pattern_.end(),
                           [](std::string_view c) { return IsMark(c, '?'); });
    }

    // Tries each text character from t on that equals the pattern character at p (never "*"
    // or "?" after normalising). If that fails from t, it fails from any later t too (those
    // try a subset), so the earliest failing t is remembered per p: nested stars then cost
    // linear time each instead of exponential time.
    bool MatchAfterStar(std::size_t t, std::size_t p) {
        if (failed_from_.empty()) failed_from_.assign(pattern_.size(), text_.size());
        const std::size_t limit = failed_from_[p];
        for (std::size_t k = t; k < limit; ++k)
            if (Same(text_[k], pattern_[p]) && Match(k, p)) return true;
        failed_from_[p] = std::min(limit, t);
        return false;
    }

    std::vector<std::string_view> text_;
    std::vector<std::string_view> pattern_;
    std::vector<std::size_t> failed_from_;
};

} // namespace

bool WildcardMatch(std::string_view text, std::string_view pattern) {
    std::vector<std::string_view> normal = Normalise(SplitChars(Bound(pattern)));
    if (normal.size() == 1 && IsMark(normal[0], '*')) return true;
    return Matcher(SplitChars(Bound(text)), std::move(normal)).Match(0, 0);
}

} // namespace corvex
