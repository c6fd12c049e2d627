// Backing up one file: its newest copy when it is not current, then the
// same version into the current slot of each ring. The newest copy has
// data of its own, so that a program that writes it in place (a viewer
// opened on the backup) changes no saved version; where the backup folder
// makes hard links, the slots of a version are names of one file. A newest
// copy held open by someone never holds up a version: it waits beside it,
// in a place the copies window lists, and takes the newest copy's place
// once they let go.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"
#include "notifier/copy/copy_internal.h"
#include "notifier/show/show.h"

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

int IsSameVersion(const WIN32_FIND_DATAA *a, const WIN32_FIND_DATAA *b)
{
    return a->nFileSizeLow == b->nFileSizeLow && a->nFileSizeHigh == b->nFileSizeHigh &&
           IsSameTime(&a->ftLastWriteTime, &b->ftLastWriteTime);
}

// The backup folder makes no links (FAT, a share, Windows 9x or NT 4.0):
// found once, the slots get copies from then on.
static int g_noLinks;

int IsCurrentCopy(const WIN32_FIND_DATAA *source, const WIN32_FIND_DATAA *copy, const FILETIME *seen)
{
    return IsSameVersion(source, copy) && ToTicks(&source->ftLastWriteTime) + FRESH_TICKS < ToTicks(seen);
}

int PutVersionInSlot(const char *from, const char *linkFrom, const char *target)
{
    int result;

    if (!g_noLinks && linkFrom[0] != '\0') {
        result = LinkThroughTemp(linkFrom, target);
        if (result != LINK_REFUSED)
            return result;
        g_noLinks = 1;
    }
    return CopyThroughTemp(from, target, PLACE_RENAME, MustEnd);
}

// The moment whose slots a copy belongs in: now for a new newest copy; for
// an older one the time it was written, never later than now, so that a
// file dated in the future cannot take a slot from another round.
static void GetSlotMoment(const WIN32_FIND_DATAA *made, int isNew, const FILETIME *now, FILETIME *when)
{
    *when = isNew || CompareFileTime(&made->ftLastWriteTime, now) > 0 ? *now : made->ftLastWriteTime;
}

// Whether the ring holds the newest copy in no slot from the time the file
// was written to now: its copy failed, say because someone had the slot's
// file open, or the last notifier stopped before it. A retry that comes
// after the minute (hour, day) has turned still belongs in that minute's
// slot.
static int IsSlotOwed(const char *backup, int ring, const char *source, const WIN32_FIND_DATAA *made,
                      const FILETIME *when, const FILETIME *now)
{
    char slot[LONG_PATH], target[LONG_PATH];
    WIN32_FIND_DATAA held;
    FILETIME moment = *when;

    if (IsRoundOver(ring, when, now))
        return 0;
    do {
        if (GetSlotFolder(backup, ring, &moment, slot, sizeof(slot)) &&
            MapToBackup(slot, source, target, sizeof(target)) && GetPathInfo(target, &held) &&
            IsSameVersion(made, &held))
            return 0;
    } while (StepRound(ring, &moment, now));
    return 1;
}

// A new newest copy goes into the current slot of every ring; an older one
// only into the slots of its own time that still owe it. made is the
// version's size and time, which the copy in from carries. The first slot
// gets a copy of the data, the others are names of that copy; madeSlot is
// a slot's copy of the version written with the newest copy (empty for
// none), which the rings take as their first.
static int CopyIntoRings(const char *backup, const char *source, const char *from, const WIN32_FIND_DATAA *made,
                         int isNew, const char *madeSlot)
{
    char slot[LONG_PATH], target[LONG_PATH], linkFrom[LONG_PATH];
    FILETIME now, when;
    int ring, one, result = COPY_DONE;

    lstrcpynA(linkFrom, madeSlot, sizeof(linkFrom));
    GetSystemTimeAsFileTime(&now);
    GetSlotMoment(made, isNew, &now, &when);
    for (ring = 0; ring < RING_COUNT; ring++) {
        if (!isNew && !IsSlotOwed(backup, ring, source, made, &when, &now))
            continue;
        // A slot that cannot be made is a failure to report, not a skip.
        if (!PrepareSlot(backup, ring, &when, slot, sizeof(slot)))
            one = FAIL_NOT_WRITABLE;
        else if (!MapToBackup(slot, source, target, sizeof(target)))
            one = FAIL_TOO_LONG;
        else if (lstrcmpiA(target, madeSlot) == 0)
            one = COPY_DONE;
        else
            one = PutVersionInSlot(from, linkFrom, target);
        if (one != COPY_DONE)
            result = one;
        else if (linkFrom[0] == '\0')
            lstrcpynA(linkFrom, target, sizeof(linkFrom));
        if (one == COPY_STOPPED)
            break;
    }
    return result;
}

// Where a new version's first slot copy goes: the current minute's slot,
// made ready now; 0 when it cannot be (the rings then try it themselves).
static int GetNewSlotTarget(const char *backup, const char *source, char *target, int size)
{
    char slot[LONG_PATH];
    FILETIME now;

    GetSystemTimeAsFileTime(&now);
    return PrepareSlot(backup, RING_MINUTE, &now, slot, sizeof(slot)) && MapToBackup(slot, source, target, size);
}

// A new version: its newest copy, and from the same read its first slot
// copy (a minute that turns meanwhile leaves it in the minute it was read
// in, which held it too).
static int CopyNewVersion(const char *backup, const char *source, const char *newest, char *madeSlot)
{
    char slot[LONG_PATH];
    int hasSlot = GetNewSlotTarget(backup, source, slot, sizeof(slot)), made, result;

    madeSlot[0] = '\0';
    result = CopyThroughTemps(source, newest, hasSlot ? slot : NULL, PLACE_OR_WAIT, MustEnd, &made);
    if (made)
        lstrcpynA(madeSlot, slot, LONG_PATH);
    return result;
}

// A version that waited beside a held newest copy takes its place once the
// holder lets go; until then the rings keep it from the waiting file.
static int PromoteWaiting(const char *backup, const char *source, const char *newest, const char *waiting,
                          const WIN32_FIND_DATAA *made)
{
    WIN32_FIND_DATAA kept;
    int result;

    if (GetPathInfo(newest, &kept) && (result = KeepReplacedVersion(backup, source, newest, &kept)) != COPY_DONE)
        return result;
    if (MovePathReplacing(waiting, newest))
        return CopyIntoRings(backup, source, newest, made, 0, "");
    result = CopyIntoRings(backup, source, waiting, made, 0, "");
    return result == COPY_DONE || result == FAIL_COPY_HELD ? COPY_WAITING : result;
}

// The newest copy of a source that is there: current, waiting beside a held
// one, or copied now.
static int BackUpPresent(const char *backup, const char *source, const WIN32_FIND_DATAA *from, const FILETIME *seen)
{
    char newest[LONG_PATH], waiting[LONG_PATH], madeSlot[LONG_PATH];
    WIN32_FIND_DATAA copy, aside;
    int hasNewest, hasWaiting = 0, result;

    if (!GetCopyPath(backup, RING_NEWEST, 0, source, newest, sizeof(newest)) ||
        !GetCopyPath(backup, RING_WAITING, 0, source, waiting, sizeof(waiting)))
        return FAIL_TOO_LONG;
    if (!IsWindowsNt())
        RestoreAside(newest);
    hasNewest = GetPathInfo(newest, &copy);
    if (hasNewest && IsCurrentCopy(from, &copy, seen))
        return CopyIntoRings(backup, source, newest, &copy, 0, "");
    // A version waits only beside a newest copy that someone held.
    if (hasNewest && (hasWaiting = GetPathInfo(waiting, &aside)) != 0 && IsCurrentCopy(from, &aside, seen))
        return PromoteWaiting(backup, source, newest, waiting, &aside);
    // The version it replaces stays in the rings, or it is not replaced.
    if (hasNewest && (result = KeepReplacedVersion(backup, source, newest, &copy)) != COPY_DONE)
        return result;
    result = CopyNewVersion(backup, source, newest, madeSlot);
    if (result == COPY_WAITING) {
        // A slot that shares the held copy's data is held too: the
        // version is saved all the same, and the slot follows later.
        result = CopyIntoRings(backup, source, waiting, from, 1, madeSlot);
        return result == COPY_DONE || result == FAIL_COPY_HELD ? COPY_WAITING : result;
    }
    if (result != COPY_DONE)
        return result;
    NoteCopyMade(source);
    // An older version waiting beside it is the newest no more.
    if (hasWaiting)
        DeletePath(waiting);
    return CopyIntoRings(backup, source, newest, from, 1, madeSlot);
}

int BackUpFile(const char *backup, const char *source, const WIN32_FIND_DATAA *info, const FILETIME *seen)
{
    WIN32_FIND_DATAA from;

    if (info == NULL) {
        if (!GetPathInfo(source, &from))
            return ClassifySourceError(GetLastError());
        info = &from;
    }
    if (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetLastError(ERROR_DIRECTORY);
        return FAIL_NAME;
    }
    return BackUpPresent(backup, source, info, seen);
}
