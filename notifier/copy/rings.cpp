// The rings of older copies: which slot a moment writes to, when a slot is
// left from an earlier round, and when it is older than its ring's span, by
// the rounds the notifier records. Every rule takes the moment as a parameter.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"
#include "notifier/copy/copy_internal.h"

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
        toZone = (ToZoneTimeCall)FindKernelCall("SystemTimeToTzSpecificLocalTime");
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

void GetRoundOf(int ring, const FILETIME *when, SlotRound *round)
{
    round->start = RoundStart(ring, MomentLocalTicks(when));
    round->taken = ToTicks(when);
}

// Older than the span both by the clock and by the local calendar.
int IsSlotExpired(int ring, const SlotRound *round, const FILETIME *now)
{
    ULONGLONG span = SPAN_SECONDS[ring] * TICKS_PER_SECOND;
    FILETIME taken;

    taken.dwLowDateTime = (DWORD)round->taken;
    taken.dwHighDateTime = (DWORD)(round->taken >> 32);
    return round->taken + span <= ToTicks(now) && MomentLocalTicks(&taken) + span <= MomentLocalTicks(now);
}

int IsSlotFromEarlierRound(int ring, const SlotRound *round, const FILETIME *now)
{
    return round->start < RoundStart(ring, MomentLocalTicks(now));
}

int StepRound(int ring, FILETIME *moment, const FILETIME *now)
{
    // A day has 23 hours at the least: a step of 23 never skips one.
    static const ULONGLONG STEP[RING_COUNT] = {60 * TICKS_PER_SECOND, 3600 * TICKS_PER_SECOND,
                                              23 * 3600 * TICKS_PER_SECOND};
    ULONGLONG ticks = ToTicks(moment) + STEP[ring];

    if (RoundStart(ring, MomentLocalTicks(moment)) >= RoundStart(ring, MomentLocalTicks(now)))
        return 0;
    if (ticks > ToTicks(now))
        ticks = ToTicks(now);
    moment->dwLowDateTime = (DWORD)ticks;
    moment->dwHighDateTime = (DWORD)(ticks >> 32);
    return 1;
}

void GetPreviousRound(int ring, const FILETIME *now, FILETIME *before)
{
    ULONGLONG local = MomentLocalTicks(now), start = RoundStart(ring, local);
    // The local time is whole milliseconds: a millisecond more reaches
    // back past the start whatever the fraction.
    ULONGLONG ticks = ToTicks(now) - (local - start) - TICKS_PER_SECOND / 1000;
    FILETIME moment;
    int tries;

    // Across a change of the clocks the local time since the round began
    // is not the time since: step back an hour until it is the round before.
    for (tries = 0; tries < 3; tries++, ticks -= 3600 * TICKS_PER_SECOND) {
        moment.dwLowDateTime = (DWORD)ticks;
        moment.dwHighDateTime = (DWORD)(ticks >> 32);
        if (RoundStart(ring, MomentLocalTicks(&moment)) < start)
            break;
    }
    *before = moment;
}

int IsRoundOver(int ring, const FILETIME *when, const FILETIME *now)
{
    return RoundStart(ring, MomentLocalTicks(when)) + CYCLE_SECONDS[ring] * TICKS_PER_SECOND <=
           RoundStart(ring, MomentLocalTicks(now));
}

static int WriteSlotRound(const char *slot, const SlotRound *round)
{
    char path[LONG_PATH], text[ROUND_TEXT_SIZE];
    DWORD put = 0;
    HANDLE file;

    if (!JoinPath(path, sizeof(path), slot, ROUND_FILE))
        return 0;
    wsprintfA(text, "%08lX%08lX %08lX%08lX\r\n", (DWORD)(round->start >> 32), (DWORD)round->start,
              (DWORD)(round->taken >> 32), (DWORD)round->taken);
    file = OpenPath(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    WriteFile(file, text, (DWORD)lstrlenA(text), &put, NULL);
    CloseHandle(file);
    return put == (DWORD)lstrlenA(text);
}

// The slots each ring was last made ready for, so that a copy into a slot
// already made for its round costs nothing more. Two a ring: a save keeps
// the version it replaces in the round before, then copies into this one.
// On the heap: a static array of zeros would be stored whole in the
// program file.
#define READY_PER_RING 2
static char *g_readySlot[RING_COUNT][READY_PER_RING];
static ULONGLONG g_readyRound[RING_COUNT][READY_PER_RING];

// The name an emptied slot waits under until the prune hands it to the
// thread that removes such slots.
static int GetAsideName(const char *slot, char *aside)
{
    return AddSuffix(aside, LONG_PATH, slot, TEMP_SUFFIX);
}

static int SetSlotAside(const char *slot)
{
    char aside[LONG_PATH];
    WIN32_FIND_DATAA info;

    return GetAsideName(slot, aside) && !GetPathInfo(aside, &info) && MovePathReplacing(slot, aside);
}

// A slot taken in an earlier round is emptied and recorded for this one.
// One without a record (made before rounds were recorded) or recorded for a
// later round (the clock was set back) keeps what it holds: only what the
// notifier itself recorded as older ever goes.
static int TakeSlot(const char *slot, int ring, const FILETIME *when, const SlotRound *round)
{
    SlotRound held;
    WIN32_FIND_DATAA info;
    int known = ReadSlotRound(slot, &held);

    if (known && !IsSlotFromEarlierRound(ring, &held, when))
        return MakeFolderTree(slot);
    // Emptied by a rename, under the lock for a moment only: the old
    // round's names (tens of thousands in a day slot) go from the next prune.
    if (known && !SetSlotAside(slot))
        RemoveTree(slot, NULL);
    else if (GetPathInfo(slot, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeletePath(slot);
    return MakeFolderTree(slot) && WriteSlotRound(slot, round);
}

// Copies run on several threads: one of them makes a slot ready at a time.
// A lock of its own needs nothing made beforehand, whoever comes first.
static volatile LONG g_readyBusy;

static void LockReady(void)
{
    while (InterlockedExchange(&g_readyBusy, 1) != 0)
        Sleep(1);
}

static void UnlockReady(void)
{
    InterlockedExchange(&g_readyBusy, 0);
}

// Which of the ring's ready slots is this one; -1 when none is.
static int FindReadySlot(int ring, const char *slot, ULONGLONG start)
{
    int i;

    for (i = 0; i < READY_PER_RING; i++) {
        if (g_readySlot[ring][i] != NULL && g_readyRound[ring][i] == start &&
            lstrcmpiA(g_readySlot[ring][i], slot) == 0)
            return i;
    }
    return -1;
}

// Remembers a slot made ready in place of the ring's older one.
static void NoteReadySlot(int ring, const char *slot, ULONGLONG start)
{
    int i = g_readyRound[ring][0] <= g_readyRound[ring][1] ? 0 : 1;

    if (g_readySlot[ring][i] == NULL)
        g_readySlot[ring][i] = (char *)HeapAlloc(GetProcessHeap(), 0, LONG_PATH);
    if (g_readySlot[ring][i] == NULL)
        return;
    lstrcpynA(g_readySlot[ring][i], slot, LONG_PATH);
    g_readyRound[ring][i] = start;
}

// A slot made ready for its round stays so: one that someone removes
// meanwhile is made again by the copy into it, and recorded at the next
// pruning.
int PrepareSlot(const char *backup, int ring, const FILETIME *when, char *slot, int size)
{
    SlotRound round;
    int ready;

    if (!GetSlotFolder(backup, ring, when, slot, size))
        return 0;
    GetRoundOf(ring, when, &round);
    LockReady();
    ready = FindReadySlot(ring, slot, round.start) >= 0;
    if (!ready && TakeSlot(slot, ring, when, &round)) {
        NoteReadySlot(ring, slot, round.start);
        ready = 1;
    }
    UnlockReady();
    return ready;
}

// An expired slot goes; one without a record is recorded as seen now, so
// that it goes one span later at the soonest.
static int PruneSlot(int ring, const char *slot, const FILETIME *now)
{
    SlotRound round;
    WIN32_FIND_DATAA info;
    char aside[LONG_PATH];
    int i;

    if (GetAsideName(slot, aside) && GetPathInfo(aside, &info) && !HandSlotAside(aside) &&
        !RemoveTree(aside, MustEnd))
        return 0;
    if (!GetPathInfo(slot, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return 1;
    if (!ReadSlotRound(slot, &round)) {
        GetRoundOf(ring, now, &round);
        WriteSlotRound(slot, &round);
        return 1;
    }
    if (!IsSlotExpired(ring, &round, now))
        return 1;
    LockReady();
    for (i = 0; i < READY_PER_RING; i++) {
        if (g_readySlot[ring][i] != NULL && lstrcmpiA(g_readySlot[ring][i], slot) == 0)
            g_readySlot[ring][i][0] = '\0';
    }
    UnlockReady();
    // Renamed aside, it goes with the others, unless the one before is
    // still going.
    if (SetSlotAside(slot) && HandSlotAside(aside))
        return 1;
    return RemoveTree(GetPathInfo(slot, &info) ? slot : aside, MustEnd);
}

int PruneRings(const char *backup, const FILETIME *now)
{
    char slot[LONG_PATH];
    int ring, n, first, last;

    for (ring = 0; ring < RING_COUNT; ring++) {
        GetSlotRange(ring, &first, &last);
        for (n = first; n <= last; n++) {
            if (MustEnd())
                return 0;
            if (GetRingSlotFolder(backup, ring, n, slot, sizeof(slot)) && !PruneSlot(ring, slot, now))
                return 0;
        }
    }
    return 1;
}
