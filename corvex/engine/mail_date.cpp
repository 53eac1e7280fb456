#include "corvex/engine/mail_date.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace corvex {

namespace {

constexpr std::string_view kPatterns[] = {
    "w, d m y h:n:s t", "w, d-m-y h:n:s t", "w d m y h:n:s t",
    "w m d h:n:s y t",  "w, d m y h:n t",   "d m y h:n",
};

constexpr std::string_view kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Digit runs are read with saturation, so a long run can never overflow.
constexpr long kNumberCap = 100000000;

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

class Cursor {
  public:
    explicit Cursor(std::string_view text) : text_(text) {}

    std::string_view Letters() { return Run(IsLetter); }
    // The value of a digit run, or -1 when there are no digits.
    long Number() {
        const std::string_view digits = Run(IsDigit);
        if (digits.empty()) return -1;
        long value = 0;
        for (char c : digits)
            value = std::min(kNumberCap, value * 10 + (c - '0'));
        return value;
    }
    std::string_view Zone() {
        return Run([](char c) { return IsLetter(c) || IsDigit(c) || c == '+' || c == '-'; });
    }
    void Blanks() { Run(IsBlank); }
    void SkipTo(char c) {
        while (pos_ < text_.size() && text_[pos_] != c)
            ++pos_;
    }
    bool Literal(char c) {
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }

  private:
    template <class Pred> std::string_view Run(Pred pred) {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && pred(text_[pos_]))
            ++pos_;
        return text_.substr(start, pos_ - start);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

int MonthByName(std::string_view word) {
    if (word.size() != 3) return 0;
    for (int i = 0; i < 12; ++i) {
        if (Upper(word[0]) == kMonths[i][0] && Upper(word[1]) == kMonths[i][1] &&
            Upper(word[2]) == kMonths[i][2]) {
            return i + 1;
        }
    }
    return 0;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// A time the display form can show: the calendar's own ranges and a four-digit year.
bool IsValid(const MailDateFields& f) {
    return f.year >= 1 && f.year <= 9999 && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
           f.day <= DaysInMonth(f.year, f.month) && f.hour >= 0 && f.hour <= 23 && f.minute >= 0 &&
           f.minute <= 59 && f.second >= 0 && f.second <= 60;
}

// Days since 1970-01-01 of a civil date and back (proleptic Gregorian calendar).
long DaysFromCivil(long y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, MailDateFields& f) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    f.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    f.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    f.year = static_cast<int>(era * 400 + yoe + (f.month <= 2));
}

void AddMinutes(MailDateFields& f, int minutes) {
    long total = f.hour * 60L + f.minute + minutes;
    long days = DaysFromCivil(f.year, f.month, f.day);
    long carry = total / 1440;
    total %= 1440;
    if (total < 0) {
        total += 1440;
        --carry;
    }
    CivilFromDays(days + carry, f);
    f.hour = static_cast<int>(total / 60);
    f.minute = static_cast<int>(total % 60);
}

// Minutes east of UTC of a numeric zone token ("+hhmm", "-hhmm"); false for a name or none.
bool NumericZone(std::string_view zone, long& minutes) {
    if (zone.empty() || (zone[0] != '+' && zone[0] != '-')) return false;
    long digits = 0;
    for (std::size_t i = 1; i < zone.size() && IsDigit(zone[i]); ++i) {
        digits = std::min(kNumberCap, digits * 10 + (zone[i] - '0'));
    }
    const long a = zone[0] == '-' ? -digits : digits;
    minutes = 60 * (a / 100) + a % 100;
    return true;
}

} // namespace

bool MatchMailDate(std::string_view text, std::string_view pattern, MailDateFields& fields) {
    fields = MailDateFields{};
    Cursor in(text);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char p = pattern[i];
        switch (p) {
        case 'w':
            in.Letters();
            break;
        case 'd':
        case 'M': {
            const long v = in.Number();
            if (v <= 0) return false;
            (p == 'd' ? fields.day : fields.month) = static_cast<int>(v);
            break;
        }
        case 'm':
            fields.month = MonthByName(in.Letters());
            if (fields.month == 0) return false;
            break;
        case 'y': {
            // A year must be written: an empty run fails rather than inventing 2000.
            long v = in.Number();
            if (v < 0) return false;
            if (v < 1900) v += v < 71 ? 2000 : 1900;
            fields.year = static_cast<int>(v);
            break;
        }
        case 'h':
        case 'H':
        case 'n':
        case 's': {
            const long v = std::max(0L, in.Number());
            (p == 'n' ? fields.minute : p == 's' ? fields.second : fields.hour) = static_cast<int>(v);
            break;
        }
        case 't':
            fields.zone = std::string(in.Zone().substr(0, kMailDateInputMax));
            return true;
        case ' ':
            in.Blanks();
            break;
        case '*':
            if (i + 1 < pattern.size())
                in.SkipTo(pattern[i + 1]);
            else
                in.SkipTo('\0');
            break;
        default:
            if (!in.Literal(p)) return false;
            break;
        }
    }
    return true;
}

int ParseMailDate(std::string_view text, MailDateFields& fields) {
    text = text.substr(0, kMailDateInputMax);
    for (std::size_t i = 0; i < std::size(kPatterns); ++i) {
        if (MatchMailDate(text, kPatterns[i], fields)) return static_cast<int>(i) + 1;
    }
    fields = MailDateFields{};
    return 0;
}

int FormatMailDate(std::string_view text, int local_offset_minutes, std::string& out) {
    text = text.substr(0, text.find('\0'));
    text = text.substr(0, kMailDateInputMax);
    MailDateFields f;
    if (ParseMailDate(text, f) == 0) {
        out.assign(text.size() >= kMailDateRawMax + 1 ? text.substr(0, kMailDateRawMax) : text);
        return -1;
    }
    if (!IsValid(f)) {
        out.assign(text);
        return -1;
    }
    long zone = 0;
    if (NumericZone(f.zone, zone) && zone != local_offset_minutes) {
        const long diff = local_offset_minutes - zone;
        if (std::labs(diff) < 24 * 60) AddMinutes(f, static_cast<int>(diff));
        if (!IsValid(f)) {
            out.assign(text);
            return -1;
        }
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute);
    out.assign(buffer);
    return 0;
}

} // namespace corvex
