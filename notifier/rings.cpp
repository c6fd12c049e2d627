// The rings of older copies: which slot a moment writes to, when a slot is
// left from an earlier round, and when it is older than its ring's span.
// Every rule takes the moment as a parameter.
#include "notifier/copy_layout.h"


#define TICKS_PER_SECOND 10000000ULL

// A month is taken as 31 days, so every day of the month has its slot.
static const ULONGLONG SPAN_SECONDS[RING_COUNT] = {3600, 24 * 3600, 31 * 24 * 3600};
// The soonest a slot's number comes round again: a day's number may come
// back after 28 days.
static const ULONGLONG CYCLE_SECONDS[RING_COUNT] = {3600, 24 * 3600, 28 * 24 * 3600};

typedef BOOL(WINAPI *ToZoneTimeCall)(const TIME_ZONE_INFORMATION *, const SYSTEMTIME *, SYSTEMTIME *);

static ULONGLONG ToLocalTicks(const SYSTEMTIME *local)
{
    FILETIME time;

    return SystemTimeToFileTime(local, &time) ? ToTicks(&time) : 0;
}

// The local time of a moment by the daylight-saving rule of its own date
// (Windows NT); Windows 9x knows only today's offset.
static void ToMomentLocal(const FILETIME *when, SYSTEMTIME *local)
{
    static ToZoneTimeCall toZone;
    static int looked;
    SYSTEMTIME utc;
    FILETIME localTime;

    if (!looked) {
        toZone = (ToZoneTimeCall)(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                               "SystemTimeToTzSpecificLocalTime");
        looked = 1;
    }
    if (toZone != NULL && FileTimeToSystemTime(when, &utc) && toZone(NULL, &utc, local))
        return;
    FileTimeToLocalFileTime(when, &localTime);
    FileTimeToSystemTime(&localTime, local);
}

static ULONGLONG MomentLocalTicks(const FILETIME *when)
{
    SYSTEMTIME local;

    ToMomentLocal(when, &local);
    return ToLocalTicks(&local);
}

// The local offset at a moment, by the rule of its date.
static LONGLONG OffsetAt(const FILETIME *when)
{
    return (LONGLONG)(MomentLocalTicks(when) - ToTicks(when));
}

// A FAT disk keeps local times, which the system turns into UTC with the
// offset of the moment they are read; other disks keep UTC. A slot folder's
// time is read both ways and the younger reading taken, so that no slot is
// taken for older than it is when the offset has changed since.
static ULONGLONG SlotLocalTicks(const FILETIME *slotTime, const FILETIME *now)
{
    ULONGLONG moment = MomentLocalTicks(slotTime), asFat = ToTicks(slotTime) + OffsetAt(now);

    return asFat > moment ? asFat : moment;
}

static ULONGLONG SlotUtcTicks(const FILETIME *slotTime, const FILETIME *now)
{
    LONGLONG shift = OffsetAt(now) - OffsetAt(slotTime);

    return shift > 0 ? ToTicks(slotTime) + shift : ToTicks(slotTime);
}

static int SlotNumber(int ring, const SYSTEMTIME *local)
{
    if (ring == RING_MINUTE)
        return local->wMinute;
    return ring == RING_HOUR ? local->wHour : local->wDay;
}

// The start of the local minute, hour or day that holds the local moment:
// local calendar time, so a day is a day also when it has 23 or 25 hours.
static ULONGLONG RoundStart(int ring, ULONGLONG localTicks)
{
    static const ULONGLONG UNIT[RING_COUNT] = {60 * TICKS_PER_SECOND, 3600 * TICKS_PER_SECOND,
                                               24 * 3600 * TICKS_PER_SECOND};

    return localTicks - localTicks % UNIT[ring];
}

int GetSlotFolder(const char *backup, int ring, const FILETIME *now, char *out, int size)
{
    SYSTEMTIME local;

    ToMomentLocal(now, &local);
    return GetRingSlotFolder(backup, ring, SlotNumber(ring, &local), out, size);
}

// Older than the span both by the clock and by the local calendar, however
// the slot's disk keeps its times.
int IsSlotExpired(int ring, const FILETIME *slotTime, const FILETIME *now)
{
    ULONGLONG span = SPAN_SECONDS[ring] * TICKS_PER_SECOND;

    return SlotUtcTicks(slotTime, now) + span <= ToTicks(now) &&
           SlotLocalTicks(slotTime, now) + span <= MomentLocalTicks(now);
}

int IsSlotFromEarlierRound(int ring, const FILETIME *slotTime, const FILETIME *now)
{
    return RoundStart(ring, SlotLocalTicks(slotTime, now)) < RoundStart(ring, MomentLocalTicks(now));
}

int IsRoundOver(int ring, const FILETIME *when, const FILETIME *now)
{
    return RoundStart(ring, MomentLocalTicks(when)) + CYCLE_SECONDS[ring] * TICKS_PER_SECOND <=
           RoundStart(ring, MomentLocalTicks(now));
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
