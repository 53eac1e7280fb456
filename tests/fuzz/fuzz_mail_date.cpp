// Mail dates: the display form of any Date or Received date text, and the pattern matcher
// with any pattern. Input: one byte picking the machine's time-zone offset, then a pattern up
// to the first NUL, then the date text. Checks that a converted date is a real calendar time
// in the "yyyy/MM/dd HH:mm" form and that an unconverted one is a prefix of the text.
#include "fuzz_support.h"

#include <string_view>

#include "corvex/engine/mail_date.h"

namespace {

int digits(const std::string& s, std::size_t at, std::size_t n) {
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') fuzz::fail("date digit");
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

void check_display(const std::string& out) {
    if (out.size() != 16 || out[4] != '/' || out[7] != '/' || out[10] != ' ' || out[13] != ':')
        fuzz::fail("date form");
    const int year = digits(out, 0, 4);
    const int month = digits(out, 5, 2);
    const int day = digits(out, 8, 2);
    if (month < 1 || month > 12 || day < 1 || digits(out, 11, 2) > 23 || digits(out, 14, 2) > 59)
        fuzz::fail("date fields");
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) fuzz::fail("day of month");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const int offset = (static_cast<int>(in.byte()) - 128) * 15;
    const std::string pattern = in.until('\0');
    const std::string text = in.rest();

    corvex::MailDateFields fields;
    corvex::MatchMailDate(text, pattern, fields);
    if (fields.zone.size() > corvex::kMailDateInputMax) fuzz::fail("zone length");

    const int n = corvex::ParseMailDate(text, fields);
    if (n < 0 || n > 6) fuzz::fail("ParseMailDate result");

    std::string out;
    const int r = corvex::FormatMailDate(text, offset, out);
    if (r == 0) {
        check_display(out);
    } else if (r == -1) {
        const std::string_view given = std::string_view(text).substr(0, text.find('\0'));
        if (out.size() > corvex::kMailDateInputMax || given.substr(0, out.size()) != out)
            fuzz::fail("unconverted date");
    } else {
        fuzz::fail("FormatMailDate result");
    }
    return 0;
}
