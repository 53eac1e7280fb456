// The action filters of a profile: AFilter.%03d (and the older Filter.%03d), and the
// matching of a message against them during a check.
//
// AFilter line, eleven fields separated by single blanks: the stored recipient, sender and
// subject patterns; "SND", "APL" and "ACT" each followed by the stored sound file, program
// template and send setting; the five action flags "通知しない", "標準の通知", "ｻｳﾝﾄﾞ再生",
// "ｱﾌﾟﾘｹｰｼｮﾝ起動", "ﾒｰﾙ送信" as 0 or 1. An absent condition is the text "---条件無し---".
// Filter.%03d lines are "%d %s": field 1 sender, 2 recipient, 3 subject, and a stored text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/engine/message_summary.h"
#include "corvex/filters/action_lists.h"
#include "filters_texts.h"

namespace corvex {

// Longest pattern text after decoding; longer ones are cut (at a character boundary).
inline constexpr std::size_t kFilterPatternMax = 255;

// Filter modes handed to the check run: 0 off, 1 filters on, 2 notify only matching messages.
inline constexpr int kFilterModeOff = 0;
inline constexpr int kFilterModeOn = 1;
inline constexpr int kFilterModeOnlyMatching = 2;

// Results of RunActionFilters.
inline constexpr int kFilterDoNotNotify = 1;
inline constexpr int kFilterNotify = 2;
inline constexpr int kFilterNotifyQueued = 3;

struct ActionFilter {
    std::string recipient = texts::kFilterNoCondition;
    std::string sender = texts::kFilterNoCondition;
    std::string subject = texts::kFilterNoCondition;
    std::string sound;
    std::string program;
    std::string send_setting;
    int no_notify = 0;
    int notify = 1;
    int play_sound = 0;
    int start_program = 0;
    int send_mail = 0;
};

std::string ActionFilterPath(std::string_view data_dir, int profile); // AFilter.%03d
std::string ActionFilterWorkPath(std::string_view data_dir);          // AFilter.$$$
std::string LegacyFilterPath(std::string_view data_dir, int profile); // Filter.%03d

// One AFilter line; false for a line that does not yield the eleven fields.
bool ParseActionFilterLine(std::string_view line, ActionFilter& out);
std::string FormatActionFilterLine(const ActionFilter& filter);

// The filters of an AFilter file in order, up to the first line that does not parse. False
// when the file does not exist.
bool ReadActionFilters(const std::string& path, std::vector<ActionFilter>& out);

// The filters of an older Filter file: each line one condition, the other two absent, with
// the action "通知しない" when no_notify (CheckFilter2 is "1"), else "標準の通知". Lines with a
// field number other than 1 to 3 are skipped; reading stops at a line that does not parse.
// False when the file does not exist.
bool ReadLegacyFilters(const std::string& path, bool no_notify, std::vector<ActionFilter>& out);

// What the filter page opens with: AFilter.%03d of the profile, else the converted
// Filter.%03d, else nothing.
std::vector<ActionFilter> LoadProfileFilters(std::string_view data_dir, int profile, bool legacy_no_notify);

// Writes the filter page's work copy AFilter.$$$. False when it cannot be written.
bool WriteActionFilterWorkCopy(std::string_view data_dir, const std::vector<ActionFilter>& filters);

// Commits the filter page after the sheet's OK: AFilter.$$$ replaces AFilter.%03d (remove,
// then rename) and Filter.%03d is deleted. Emptying CheckFilter2 is the sheet's part. A
// missing work copy changes nothing (false).
bool CommitActionFilterWorkCopy(std::string_view data_dir, int profile);

// The account a check run is working on.
struct FilterAccount {
    std::string data_dir;    // the data directory ".../Quillon/Corvex"
    int profile = 1;         // the current profile, 1..10
    std::string work_folder; // the account's folder name in Temp (sanitised user "_" host)
};

// Runs every filter of the profile, in file order, against the check run's message state
// (To list, sender address and name, match_subject). Returns 1 = do not notify, 2 = notify,
// 3 = notify and actions were queued; the last matching filter decides. Without an AFilter
// file of the profile: 2. Without a matching filter: 1 in mode 2, else 2. A matching filter
// queues its sound in the account's FSOUND.LST (once per file) and, only when newly_cached is
// 1, its program in FAPL.LST and its send setting in FSEND.LST, with the work folder and
// cache_name. Examined addresses (sender, To up to the matching one) are lower-cased in place.
int RunActionFilters(const FilterAccount& account, int mode, int newly_cached, const std::string& cache_name,
                     MessageSummary& message);

} // namespace corvex
