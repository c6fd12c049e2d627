// Keeping the version a save replaces: a file left alone for longer than a
// ring's span has no slot copy left, so before its newest copy is replaced
// the old version goes into the slot of the round that just ended, and the
// rings tell how the file was at the end of every round however old it is.
#include "notifier/notifier.h"
#include "notifier/copy/copy_internal.h"

// Whether the copy at path is the version kept.
static int HoldsVersion(const char *path, const WIN32_FIND_DATAA *kept)
{
    WIN32_FIND_DATAA held;

    return GetPathInfo(path, &held) && IsSameVersion(kept, &held);
}

// A slot's copy of the version to give a further name, so that keeping it
// costs a name, not a copy: where it went when it was made (the slot of
// its time, the likelier one, or the current one). Empty when none holds it.
static void FindSlotCopy(const char *backup, const char *source, const WIN32_FIND_DATAA *kept,
                         const FILETIME *written, const FILETIME *now, char *found)
{
    char slot[LONG_PATH];
    FILETIME when;
    int ring, i;

    for (ring = 0; ring < RING_COUNT; ring++) {
        for (i = 0; i < 2; i++) {
            when = i == 0 ? *written : *now;
            if (i == 0 && IsRoundOver(ring, written, now))
                continue;
            if (GetSlotFolder(backup, ring, &when, slot, sizeof(slot)) &&
                MapToBackup(slot, source, found, LONG_PATH) && HoldsVersion(found, kept))
                return;
        }
    }
    found[0] = '\0';
}

// Puts the version into the previous round's slot of one ring, unless that
// slot holds it already. Where a slot's copy was found it is the one the
// previous round's slot would hold, if any: that slot is not looked at.
static int KeepInRing(const char *backup, const char *source, const char *newest, const WIN32_FIND_DATAA *kept,
                      int ring, const FILETIME *now, char *linkFrom)
{
    char slot[LONG_PATH], target[LONG_PATH];
    FILETIME before;
    int result;

    GetPreviousRound(ring, now, &before);
    if (!GetSlotFolder(backup, ring, &before, slot, sizeof(slot)) ||
        !MapToBackup(slot, source, target, sizeof(target)))
        return FAIL_TOO_LONG;
    if (linkFrom[0] != '\0' ? lstrcmpiA(linkFrom, target) == 0 : HoldsVersion(target, kept))
        return COPY_DONE;
    if (!PrepareSlot(backup, ring, &before, slot, sizeof(slot)))
        return FAIL_NOT_WRITABLE;
    result = PutVersionInSlot(newest, linkFrom, target);
    if (result == COPY_DONE && linkFrom[0] == '\0')
        lstrcpynA(linkFrom, target, LONG_PATH);
    return result;
}

int KeepReplacedVersion(const char *backup, const char *source, const char *newest, const WIN32_FIND_DATAA *kept)
{
    char linkFrom[LONG_PATH];
    FILETIME now, written;
    SlotRound round;
    int ring, result, searched = 0;

    GetSystemTimeAsFileTime(&now);
    // A copy dated in the future counts as written now.
    written = CompareFileTime(&kept->ftLastWriteTime, &now) > 0 ? now : kept->ftLastWriteTime;
    for (ring = 0; ring < RING_COUNT; ring++) {
        GetRoundOf(ring, &written, &round);
        // Written in this round: the end of no round saw it.
        if (!IsSlotFromEarlierRound(ring, &round, &now))
            continue;
        if (!searched) {
            FindSlotCopy(backup, source, kept, &written, &now, linkFrom);
            searched = 1;
        }
        result = KeepInRing(backup, source, newest, kept, ring, &now, linkFrom);
        if (result != COPY_DONE)
            return result;
    }
    return COPY_DONE;
}
