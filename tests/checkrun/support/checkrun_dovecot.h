// A fixture for check runs against a private Dovecot: one mailbox user "bob", the account's
// data directory, and the run's input and settings aimed at them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "corvex/checkrun/check_account.h"
#include "support/checkrun_support.h"
#include "support/dovecot_server.h"

namespace checkrun_test {

class DovecotCheckTest : public ::testing::Test {
  protected:
    static constexpr char kUser[] = "bob";
    static constexpr char kPassword[] = "s3cret";

    void SetUp() override;
    void TearDown() override;

    void Deliver(const std::string& message);
    int Check(RecordingUi& ui) { return corvex::CheckAccount(input, ui, settings); }
    int Check() {
        RecordingUi ui;
        return Check(ui);
    }
    // The next run compares with the last report, as the check driver does.
    void UsePreviousValues();
    // SpamList.999 with one pattern on the subject (all other conditions off).
    void WriteSpamPattern(const std::string& subject_pattern_utf8, int mode);
    // The cache key of a listed message, from IDLIST.IDX by its cache name.
    std::string CacheKeyOf(const std::string& cache_name) const;
    int MessagesOnServer() const { return dovecot.MessageFileCount(kUser); }

    pelmora_test::DovecotServer dovecot;
    AccountFiles files{"127.0.0.1", kUser};
    corvex::CheckInput input;
    corvex::CheckSettings settings;
};

} // namespace checkrun_test
