// Times and signals that the notifier's files all look at.
#include "notifier/notifier.h"

ULONGLONG ToTicks(const FILETIME *time)
{
    return ((ULONGLONG)time->dwHighDateTime << 32) | time->dwLowDateTime;
}

// Tick counts wrap after 49 days: compared by their difference.
int IsDue(DWORD now, DWORD at)
{
    return (LONG)(now - at) >= 0;
}

int IsSignalled(HANDLE handle)
{
    return handle != NULL && handle != INVALID_HANDLE_VALUE && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

// The moment of a report made at a tick count, on the clock as it is now: a
// clock set back since then gives no moment before the files' times.
void GetReportedTime(DWORD reportedAt, FILETIME *seen)
{
    FILETIME now;
    DWORD ago = GetTickCount() - reportedAt;
    ULONGLONG at;

    GetSystemTimeAsFileTime(&now);
    at = ToTicks(&now) - (ULONGLONG)ago * 10000;
    seen->dwLowDateTime = (DWORD)at;
    seen->dwHighDateTime = (DWORD)(at >> 32);
}

void NoteReportTick(volatile LONG *flag)
{
    InterlockedCompareExchange(flag, (LONG)(GetTickCount() | 1), 0);
}

LONG EarlierTick(LONG a, LONG b)
{
    if (a == 0 || b == 0)
        return a != 0 ? a : b;
    return IsDue((DWORD)b, (DWORD)a) ? a : b;
}
