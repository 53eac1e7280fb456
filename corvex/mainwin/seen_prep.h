// The seen-list bookkeeping of a check that lets unacknowledged mail be announced again:
// before the check an account's .$TL (left by an unacknowledged announcement) replaces its
// seen list and the list is copied to .$GR; after it .$GR becomes .$TL or is dropped.
#pragma once

#include <string>
#include <string_view>

namespace corvex {

// Returns true when the account was restored from its .$TL.
bool PrepareSeenList(const std::string& data_dir, std::string_view user, std::string_view host);

// After the notification: when unacknowledged (title-bar notification without the result
// list window) and CheckReNew is "ON", .$GR replaces .$TL; then .$GR is deleted.
void FinishSeenList(const std::string& data_dir, std::string_view user, std::string_view host,
                    bool unacknowledged, std::string_view check_renew);

} // namespace corvex
