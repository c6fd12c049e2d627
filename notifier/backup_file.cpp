// Backing up one list entry: a file's newest copy when it is not current,
// then the same copy into the current slot of each ring; a folder's files.
#include "notifier/notifier.h"

// A save within this span may share its write time with the save before it
// (file times tick coarsely), so such a file is copied again when its folder
// reports a change, even though size and time match the copy.
#define FRESH_SECONDS 3

struct FolderWalk {
    const char *backup;
    HANDLE stop;
    int result;
};

static ULONGLONG ToTicks(const FILETIME *time)
{
    return ((ULONGLONG)time->dwHighDateTime << 32) | time->dwLowDateTime;
}

static int IsSameFile(const WIN32_FIND_DATAA *a, const WIN32_FIND_DATAA *b)
{
    return a->nFileSizeLow == b->nFileSizeLow && a->nFileSizeHigh == b->nFileSizeHigh &&
           CompareFileTime(&a->ftLastWriteTime, &b->ftLastWriteTime) == 0;
}

static int IsCopyCurrent(const char *source, const char *copy, const FILETIME *now)
{
    WIN32_FIND_DATAA from, to;

    if (!GetPathInfo(source, &from) || !GetPathInfo(copy, &to) || !IsSameFile(&from, &to))
        return 0;
    return ToTicks(&from.ftLastWriteTime) + FRESH_SECONDS * 10000000ULL < ToTicks(now);
}

// Whether the slot of the time the file was written still lacks its newest
// copy: its copy failed, say because someone had the slot's file open, or
// the last notifier stopped before it. A retry that comes after the minute
// (hour, day) has turned still belongs in that minute's slot.
static int IsSlotOwed(const char *backup, int ring, const char *source, const WIN32_FIND_DATAA *made, const FILETIME *now)
{
    char slot[LONG_PATH], target[LONG_PATH];
    WIN32_FIND_DATAA held;

    if (IsRoundOver(ring, &made->ftLastWriteTime, now))
        return 0;
    if (!GetSlotFolder(backup, ring, &made->ftLastWriteTime, slot, sizeof(slot)) ||
        !MapToBackup(slot, source, target, sizeof(target)))
        return 0;
    return !GetPathInfo(target, &held) || !IsSameFile(made, &held);
}

// A new newest copy goes into the current slot of every ring; an older one
// only into the slots of its own time that still owe it.
static int CopyIntoRings(const char *backup, const char *source, const char *newest, HANDLE stop, int isNew)
{
    char slot[LONG_PATH], target[LONG_PATH];
    WIN32_FIND_DATAA made;
    FILETIME now;
    const FILETIME *slotTime;
    int ring, one, result = COPY_DONE;

    GetSystemTimeAsFileTime(&now);
    if (!GetPathInfo(newest, &made))
        return COPY_RETRY;
    slotTime = isNew ? &now : &made.ftLastWriteTime;
    for (ring = 0; ring < RING_COUNT; ring++) {
        if (!isNew && !IsSlotOwed(backup, ring, source, &made, &now))
            continue;
        if (!PrepareSlot(backup, ring, slotTime, slot, sizeof(slot)) ||
            !MapToBackup(slot, source, target, sizeof(target)))
            continue;
        one = CopyThroughTemp(newest, target, stop);
        if (one != COPY_DONE)
            result = one;
        if (one == COPY_STOPPED)
            break;
    }
    return result;
}

static int BackUpFile(const char *backup, const char *source, HANDLE stop)
{
    char newest[LONG_PATH];
    FILETIME now;
    int current, result;

    if (!MapToBackup(backup, source, newest, sizeof(newest)))
        return COPY_DONE;
    GetSystemTimeAsFileTime(&now);
    current = IsCopyCurrent(source, newest, &now);
    if (!current) {
        result = CopyThroughTemp(source, newest, stop);
        if (result != COPY_DONE)
            return result;
    }
    return CopyIntoRings(backup, source, newest, stop, !current);
}

static int BackUpFolderFile(const char *file, void *context)
{
    FolderWalk *walk = (FolderWalk *)context;
    int result;

    // A folder of many current files takes a while even with nothing to copy.
    if (WaitForSingleObject(walk->stop, 0) == WAIT_OBJECT_0)
        result = COPY_STOPPED;
    else
        result = BackUpFile(walk->backup, file, walk->stop);
    if (result > walk->result)
        walk->result = result;
    return result != COPY_STOPPED;
}

int BackUpEntry(const char *backup, const char *entry, HANDLE stop)
{
    DWORD attributes = GetFileAttributesA(entry);
    FolderWalk walk;

    // Not there (yet): its folder's notification brings it back here.
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return COPY_DONE;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return BackUpFile(backup, entry, stop);
    walk.backup = backup;
    walk.stop = stop;
    walk.result = COPY_DONE;
    ForEachFileIn(entry, BackUpFolderFile, &walk);
    return walk.result;
}
