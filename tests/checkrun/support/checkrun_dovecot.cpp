#include "support/checkrun_dovecot.h"

#include "corvex/engine/report_file.h"
#include "platform/clock.h"

namespace checkrun_test {

void DovecotCheckTest::SetUp() {
    // Dates in summaries are shown in the machine's zone: the tests run in Japan.
    platform::set_utc_offset_for_tests(540);
    PELMORA_REQUIRE_DOVECOT(dovecot);
    ASSERT_TRUE(dovecot.AddUser(kUser, kPassword)) << dovecot.error();
    input.host = dovecot.host();
    input.port = dovecot.port();
    input.user = kUser;
    input.password = kPassword;
    input.timeout_seconds = 10;
    settings.data_dir = files.data_dir();
}

void DovecotCheckTest::TearDown() {
    platform::set_utc_offset_for_tests(std::nullopt);
}

void DovecotCheckTest::Deliver(const std::string& message) {
    ASSERT_TRUE(dovecot.Deliver(kUser, message)) << dovecot.error();
}

void DovecotCheckTest::UsePreviousValues() {
    const corvex::PreviousValues previous = corvex::ReadPreviousValues(files.work_dir());
    ASSERT_TRUE(previous.has_info);
    input.previous_count = previous.count;
    input.previous_size = previous.size;
    input.previous_result = previous.result;
    input.remaining = previous.remaining;
}

void DovecotCheckTest::WriteSpamPattern(const std::string& subject_pattern_utf8, int mode) {
    checkrun_test::WriteSpamPattern(files.data_dir(), subject_pattern_utf8, mode);
}

std::string DovecotCheckTest::CacheKeyOf(const std::string& cache_name) const {
    for (const std::string& line : files.WorkLines("IDLIST.IDX")) {
        const auto first = line.find(' ');
        const auto second = line.find(' ', first + 1);
        if (first != std::string::npos && line.substr(first + 1, second - first - 1) == cache_name)
            return line.substr(0, first);
    }
    ADD_FAILURE() << "no index entry names " << cache_name;
    return {};
}

} // namespace checkrun_test
