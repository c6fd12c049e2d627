// The rings of older copies: which slot a moment writes to, when a slot is
// left from an earlier round, and when it is older than its ring's span.
// Every rule takes the moment as a parameter.
#include "notifier/copy_layout.h"


#define TICKS_PER_SECOND 10000000ULL
#define TICKS_PER_MS 10000ULL

// A month is taken as 31 days, so every day of the month has its slot.
static const ULONGLONG SPAN_SECONDS[RING_COUNT] = {3600, 24 * 3600, 31 * 24 * 3600};
// The soonest a slot's number comes round again: a day's number may come
// back after 28 days.
static const ULONGLONG CYCLE_SECONDS[RING_COUNT] = {3600, 24 * 3600, 28 * 24 * 3600};

static ULONGLONG ToTicks(const FILETIME *time)
{
    return ((ULONGLONG)time->dwHighDateTime << 32) | time->dwLowDateTime;
}

static void ToLocal(const FILETIME *now, SYSTEMTIME *local)
{
    FILETIME localTime;

    FileTimeToLocalFileTime(now, &localTime);
    FileTimeToSystemTime(&localTime, local);
}

static int SlotNumber(int ring, const SYSTEMTIME *local)
{
    if (ring == RING_MINUTE)
        return local->wMinute;
    return ring == RING_HOUR ? local->wHour : local->wDay;
}

// The start of the minute, hour or day (local) that holds now.
static ULONGLONG RoundStart(int ring, const FILETIME *now)
{
    SYSTEMTIME local;
    ULONGLONG seconds;

    ToLocal(now, &local);
    seconds = local.wSecond;
    if (ring != RING_MINUTE)
        seconds += local.wMinute * 60ULL;
    if (ring == RING_DAY)
        seconds += local.wHour * 3600ULL;
    return ToTicks(now) - seconds * TICKS_PER_SECOND - local.wMilliseconds * TICKS_PER_MS;
}

int GetSlotFolder(const char *backup, int ring, const FILETIME *now, char *out, int size)
{
    SYSTEMTIME local;

    ToLocal(now, &local);
    return GetRingSlotFolder(backup, ring, SlotNumber(ring, &local), out, size);
}

int IsSlotExpired(int ring, const FILETIME *slotTime, const FILETIME *now)
{
    return ToTicks(slotTime) + SPAN_SECONDS[ring] * TICKS_PER_SECOND <= ToTicks(now);
}

int IsSlotFromEarlierRound(int ring, const FILETIME *slotTime, const FILETIME *now)
{
    return ToTicks(slotTime) < RoundStart(ring, now);
}

int IsRoundOver(int ring, const FILETIME *when, const FILETIME *now)
{
    return RoundStart(ring, when) + CYCLE_SECONDS[ring] * TICKS_PER_SECOND <= RoundStart(ring, now);
}

// A slot's time is its folder's last write: set when the slot is made in
// its round, and moved on only by what is added to it in that round.
int PrepareSlot(const char *backup, int ring, const FILETIME *now, char *slot, int size)
{
    WIN32_FIND_DATAA info;

    if (!GetSlotFolder(backup, ring, now, slot, size))
        return 0;
    if (GetPathInfo(slot, &info)) {
        if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeletePath(slot);
        else if (IsSlotFromEarlierRound(ring, &info.ftLastWriteTime, now))
            RemoveTree(slot);
    }
    return MakeFolderTree(slot);
}

void PruneRings(const char *backup, const FILETIME *now)
{
    char slot[LONG_PATH];
    WIN32_FIND_DATAA info;
    int ring, n, first, last;

    for (ring = 0; ring < RING_COUNT; ring++) {
        GetSlotRange(ring, &first, &last);
        for (n = first; n <= last; n++) {
            if (!GetRingSlotFolder(backup, ring, n, slot, sizeof(slot)) || !GetPathInfo(slot, &info))
                continue;
            if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsSlotExpired(ring, &info.ftLastWriteTime, now))
                RemoveTree(slot);
        }
    }
}
