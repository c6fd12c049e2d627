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
