#include "corvex/filters/wildcard.h"

#include <algorithm>
#include <string>
#include <vector>

namespace corvex {

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool Same(char a, char b) {
    return Lower(a) == Lower(b);
}

std::string_view Bound(std::string_view s) {
    s = s.substr(0, s.find('\0'));
    return s.substr(0, kWildcardMax);
}

// "*" directly followed by "*" or "?" loses the follower, repeatedly.
std::string Normalise(std::string_view pattern) {
    std::string out;
    out.reserve(pattern.size());
    for (char c : pattern) {
        if (!out.empty() && out.back() == '*' && (c == '*' || c == '?')) continue;
        out += c;
    }
    return out;
}

class Matcher {
  public:
    Matcher(std::string_view text, const std::string& pattern) : text_(text), pattern_(pattern) {}

    bool Match(std::size_t t, std::size_t p) {
        for (;;) {
            if (t == text_.size()) return RestMatchesEmpty(p);
            if (p == pattern_.size()) return false;
            char c = pattern_[p];
            if (c == '?') {
                ++t;
                ++p;
            } else if (c == '*') {
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
        std::string_view rest = std::string_view(pattern_).substr(p);
        if (rest == "*") return true;
        return rest.find_first_not_of('?') == std::string_view::npos;
    }

    // Tries each text position from t on whose character equals the pattern character at p
    // (never "*" or "?" after normalising). If that fails from t, it fails from any later t
    // too (those try a subset), so the earliest failing t is remembered per p: nested stars
    // then cost linear time each instead of exponential time.
    bool MatchAfterStar(std::size_t t, std::size_t p) {
        if (failed_from_.empty()) failed_from_.assign(pattern_.size(), text_.size());
        const std::size_t limit = failed_from_[p];
        for (std::size_t k = t; k < limit; ++k)
            if (Same(text_[k], pattern_[p]) && Match(k, p)) return true;
        failed_from_[p] = std::min(limit, t);
        return false;
    }

    std::string_view text_;
    const std::string& pattern_;
    std::vector<std::size_t> failed_from_;
};

} // namespace

bool WildcardMatch(std::string_view text, std::string_view pattern) {
    std::string normal = Normalise(Bound(pattern));
    if (normal == "*") return true;
    return Matcher(Bound(text), normal).Match(0, 0);
}

} // namespace corvex
