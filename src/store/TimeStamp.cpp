#include "store/TimeStamp.h"

int64_t TimestampFromLocalTime(const SYSTEMTIME* localTime)
{
    FILETIME count = {};
    SystemTimeToFileTime(localTime, &count);
    return static_cast<int64_t>((static_cast<uint64_t>(count.dwHighDateTime) << 32) | count.dwLowDateTime);
}

bool LocalTimeFromTimestamp(int64_t timestamp, SYSTEMTIME* localTime)
{
    FILETIME count;
    count.dwLowDateTime = static_cast<DWORD>(timestamp);
    count.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(timestamp) >> 32);
    return timestamp >= 0 && FileTimeToSystemTime(&count, localTime) != FALSE;
}

int64_t CurrentTimestamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return TimestampFromLocalTime(&now);
}

bool StartsNewSession(int64_t previous, int64_t next)
{
    return next - previous >= SESSION_GAP;
}
