#include "corvex/settings/normalise.h"

#include <climits>

namespace corvex::settings {

namespace {

struct Rule {
    const char* name;
    std::size_t max_chars; // a longer text becomes the upper bound; 0: no length rule
    int upper;
    int lower;
};

// CheckTime and CheckTime2 also get a lower bound of 0: a negative interval would make every
// timer tick start a check.
constexpr Rule kRules[] = {
    {"CheckTime", 3, 300, 0},    {"CheckTime2", 3, 300, 0},    {"ToutTime", 0, 180, 60},
    {"ReadLineNum", 3, 500, 50}, {"ReadLineNumC", 3, 200, 20}, {"CheckTitleNum", 2, 99, 5},
    {"ScrollNum", 2, 99, 1},     {"DisplayNum", 2, 99, 1},     {"SoundNum", 2, 99, 1},
    {"DSPTime", 2, 60, 0},       {"SpamCloseSec", 0, 60, 10},
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const Rule* FindRule(std::string_view name) {
    for (const Rule& rule : kRules)
        if (name == rule.name) return &rule;
    return nullptr;
}

void Apply(const Rule& rule, std::string& text) {
    const int value = DecimalValue(text);
    if ((rule.max_chars != 0 && text.size() > rule.max_chars) || value > rule.upper)
        text = std::to_string(rule.upper);
    else if (value < rule.lower)
        text = std::to_string(rule.lower);
}

} // namespace

int DecimalValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool NormaliseValue(std::string_view name, std::string& text) {
    const Rule* rule = FindRule(name);
    if (!rule) return false;
    Apply(*rule, text);
    return true;
}

void NormaliseProfile(ProfileSettings& settings) {
    ForEachProfileValue(settings, [](const char* name, auto& field) {
        if (const Rule* rule = FindRule(name)) {
            std::string text = field.str();
            Apply(*rule, text);
            field.assign(text); // every result is a short number
        }
    });
}

std::string ClampSpamCloseSec(std::string_view text) {
    const int value = DecimalValue(text);
    return std::to_string(value < 10 ? 10 : value > 60 ? 60 : value);
}

} // namespace corvex::settings
