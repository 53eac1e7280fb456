// --save: the account of the one-account form goes into the profile, so that the profile
// form checks it from then on.
#pragma once

#include <optional>
#include <string>

#include "check_job.h"
#include "corvex/settings/profile_store.h"

namespace corvex_check {

// Stores the account in the slot that already holds the same server and user, else in the
// first free slot; the password is stored encoded (SavePass "ON"). The current profile of the
// tray program stays what it was. Returns the slot (0..29), or nullopt with the reason in
// error: the user name or password holds CR, LF or NUL, the profile is full, a text is too
// long for its field, the registry refused.
std::optional<int> SaveAccount(corvex::settings::ProfileStore& store, int profile, const OneAccount& account,
                               std::string& error);

} // namespace corvex_check
