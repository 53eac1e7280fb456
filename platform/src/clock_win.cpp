#include "platform/clock.h"

#include "clock_sys.h"

#include <windows.h>

namespace platform {

DateTime local_now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return DateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

namespace detail {

// The bias is minutes west of UTC; in standard time the standard bias is added, in daylight time
// the daylight bias.
bool sys_utc_offset_now(int& minutes) {
    TIME_ZONE_INFORMATION tz;
    const DWORD id = GetTimeZoneInformation(&tz);
    if (id == TIME_ZONE_ID_INVALID) return false;
    LONG bias = tz.Bias;
    if (id == TIME_ZONE_ID_STANDARD)
        bias += tz.StandardBias;
    else if (id == TIME_ZONE_ID_DAYLIGHT)
        bias += tz.DaylightBias;
    minutes = -static_cast<int>(bias);
    return true;
}

// The difference between the local and the UTC reading of the same moment.
bool sys_utc_offset_at(std::time_t when, int& minutes) {
    const ULONGLONG ticks = (static_cast<ULONGLONG>(when) + 11644473600ULL) * 10000000ULL;
    FILETIME utc_ft;
    utc_ft.dwLowDateTime = static_cast<DWORD>(ticks);
    utc_ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SYSTEMTIME utc, local;
    if (!FileTimeToSystemTime(&utc_ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return false;
    FILETIME local_ft;
    if (!SystemTimeToFileTime(&local, &local_ft)) return false;
    const ULONGLONG local_ticks =
        (static_cast<ULONGLONG>(local_ft.dwHighDateTime) << 32) | local_ft.dwLowDateTime;
    const long long diff = static_cast<long long>(local_ticks) - static_cast<long long>(ticks);
    minutes = static_cast<int>(diff / (60LL * 10000000LL));
    return true;
}

} // namespace detail
} // namespace platform
