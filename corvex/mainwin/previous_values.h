// The values a check hands to an account run to decide whether its mailbox changed since the
// last check: taken from the account's last report, or forced to a full run after start-up
// and after the spam list changed.
#pragma once

#include <string>

#include "corvex/checkrun/check_account.h"

namespace corvex {

// Program-wide state between checks.
struct CheckState {
    std::string spam_stamp = "0";  // size of SpamList.999 at the last comparison
    bool first_check_done = false; // set by the first account run that used forced values
};

struct PreviousRunValues {
    int count = kForcedPreviousCount;
    long long size = kForcedPreviousSize;
    int result = kForcedPreviousResult;
    bool has_remaining = false; // remaining holds the report's count for the account
    int remaining = 0;
};

// "<data_dir>/SpamList.999".
std::string SpamListPath(const std::string& data_dir);

// For an active account (work_dir its work directory; restored: its unacknowledged seen list
// was put back before this check). Updates state as a check does.
PreviousRunValues DeterminePreviousValues(CheckState& state, const std::string& data_dir,
                                          const std::string& work_dir, bool restored);

} // namespace corvex
