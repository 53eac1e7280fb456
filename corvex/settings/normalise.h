// The limits applied to the numeric settings when the settings sheet is accepted, before the
// profile is saved.
//
//   CheckTime, CheckTime2      more than 3 characters or above 300 -> "300"; below 0 -> "0"
//   ToutTime                   above 180 -> "180"; below 60 -> "60"
//   ReadLineNum                more than 3 characters or above 500 -> "500"; below 50 -> "50"
//   ReadLineNumC               more than 3 characters or above 200 -> "200"; below 20 -> "20"
//   CheckTitleNum              more than 2 characters or above 99 -> "99"; below 5 -> "5"
//   ScrollNum, DisplayNum,
//   SoundNum                   more than 2 characters or above 99 -> "99"; below 1 -> "1"
//   DSPTime                    more than 2 characters or above 60 -> "60"; below 0 -> "0"
//   SpamCloseSec               below 10 -> "10"; above 60 -> "60"
//
// Numbers are read as by DecimalValue, so a text that is not a number counts as 0.
#pragma once

#include "corvex/settings/profile_settings.h"

#include <string>
#include <string_view>

namespace corvex::settings {

// Decimal text-to-integer conversion: leading white space, an optional sign, then the digits up
// to the first other character; 0 when there are none. Saturates at the int range.
int DecimalValue(std::string_view text);

// Applies the rule of the named value to text; false (text unchanged) when the value has none.
bool NormaliseValue(std::string_view name, std::string& text);

// Applies every rule to the record's values.
void NormaliseProfile(ProfileSettings& settings);

// SpamCloseSec as the profile load keeps it: the number clamped to 10..60.
std::string ClampSpamCloseSec(std::string_view text);

} // namespace corvex::settings
