// Backing up one file: its newest copy when it is not current, then the
// same copy into the current slot of each ring.
#include "notifier/notifier.h"
#include "notifier/status.h"

// FAT and exFAT keep write times in steps of 2 s, and some shares round
// too: a copy there is current when its time is that close to the source's.
#define TIME_STEP_TICKS (2 * 10000000ULL)
// A save within this span of the moment its change was reported may share
// its size and time with the save before it (times tick coarsely), so such
// a file is copied again even though size and time match the copy.
#define FRESH_TICKS (3 * 10000000ULL)

int IsSameTime(const FILETIME *a, const FILETIME *b)
{
    ULONGLONG x = ToTicks(a), y = ToTicks(b);

    return (x > y ? x - y : y - x) <= TIME_STEP_TICKS;
}

static int IsSameFile(const WIN32_FIND_DATAA *a, const WIN32_FIND_DATAA *b)
{
    return a->nFileSizeLow == b->nFileSizeLow && a->nFileSizeHigh == b->nFileSizeHigh &&
           IsSameTime(&a->ftLastWriteTime, &b->ftLastWriteTime);
}

static int IsCopyCurrent(const char *source, const char *copy, const FILETIME *seen)
{
    WIN32_FIND_DATAA from, to;

    if (!GetPathInfo(source, &from) || !GetPathInfo(copy, &to) || !IsSameFile(&from, &to))
        return 0;
    return ToTicks(&from.ftLastWriteTime) + FRESH_TICKS < ToTicks(seen);
}

// The moment whose slots a copy belongs in: now for a new newest copy; for
// an older one the time it was written, never later than now, so that a
// file dated in the future cannot take a slot from another round.
static void GetSlotMoment(const WIN32_FIND_DATAA *made, int isNew, const FILETIME *now, FILETIME *when)
{
    *when = isNew || CompareFileTime(&made->ftLastWriteTime, now) > 0 ? *now : made->ftLastWriteTime;
}

// Whether the slot of the time the file was written still lacks its newest
// copy: its copy failed, say because someone had the slot's file open, or
// the last notifier stopped before it. A retry that comes after the minute
// (hour, day) has turned still belongs in that minute's slot.
static int IsSlotOwed(const char *backup, int ring, const char *source, const WIN32_FIND_DATAA *made,
                      const FILETIME *when, const FILETIME *now)
{
    char slot[LONG_PATH], target[LONG_PATH];
    WIN32_FIND_DATAA held;

    if (IsRoundOver(ring, when, now))
        return 0;
    if (!GetSlotFolder(backup, ring, when, slot, sizeof(slot)) || !MapToBackup(slot, source, target, sizeof(target)))
        return 0;
    return !GetPathInfo(target, &held) || !IsSameFile(made, &held);
}

// A new newest copy goes into the current slot of every ring; an older one
// only into the slots of its own time that still owe it.
static int CopyIntoRings(const char *backup, const char *source, const char *newest, int isNew)
{
    char slot[LONG_PATH], target[LONG_PATH];
    WIN32_FIND_DATAA made;
    FILETIME now, when;
    int ring, one, result = COPY_DONE;

    GetSystemTimeAsFileTime(&now);
    if (!GetPathInfo(newest, &made))
        return COPY_RETRY;
    GetSlotMoment(&made, isNew, &now, &when);
    for (ring = 0; ring < RING_COUNT; ring++) {
        if (!isNew && !IsSlotOwed(backup, ring, source, &made, &when, &now))
            continue;
        // A slot that cannot be made is a failure to report, not a skip.
        if (!PrepareSlot(backup, ring, &when, slot, sizeof(slot)))
            one = FAIL_NOT_WRITABLE;
        else if (!MapToBackup(slot, source, target, sizeof(target)))
            one = FAIL_TOO_LONG;
        else
            one = CopyThroughTemp(newest, target, PLACE_RENAME, MustEnd);
        if (one != COPY_DONE)
            result = one;
        if (one == COPY_STOPPED)
            break;
    }
    return result;
}

int BackUpFile(const char *backup, const char *source, const FILETIME *seen)
{
    char newest[LONG_PATH];
    int current, result;

    if (!MapToBackup(backup, source, newest, sizeof(newest)))
        return FAIL_TOO_LONG;
    if (!IsWindowsNt())
        RestoreAside(newest);
    current = IsCopyCurrent(source, newest, seen);
    if (!current) {
        result = CopyThroughTemp(source, newest, PLACE_RENAME, MustEnd);
        if (result != COPY_DONE)
            return result;
        NoteCopyMade(source);
    }
    return CopyIntoRings(backup, source, newest, !current);
}
