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

static int IsCopyCurrent(const char *source, const char *copy, const FILETIME *now)
{
    WIN32_FIND_DATAA from, to;

    if (!GetPathInfo(source, &from) || !GetPathInfo(copy, &to))
        return 0;
    if (from.nFileSizeLow != to.nFileSizeLow || from.nFileSizeHigh != to.nFileSizeHigh ||
        CompareFileTime(&from.ftLastWriteTime, &to.ftLastWriteTime) != 0)
        return 0;
    return ToTicks(&from.ftLastWriteTime) + FRESH_SECONDS * 10000000ULL < ToTicks(now);
}

// The newest copy made now goes into the current slot of every ring. A ring
// copy that fails is not retried: the newest copy, which counts, is in place.
static int CopyIntoRings(const char *backup, const char *source, const char *newest, HANDLE stop, const FILETIME *now)
{
    char slot[LONG_PATH], target[LONG_PATH];
    int ring;

    for (ring = 0; ring < RING_COUNT; ring++) {
        if (!PrepareSlot(backup, ring, now, slot, sizeof(slot)) || !MapToBackup(slot, source, target, sizeof(target)))
            continue;
        if (CopyThroughTemp(newest, target, stop) == COPY_STOPPED)
            return COPY_STOPPED;
    }
    return COPY_DONE;
}

static int BackUpFile(const char *backup, const char *source, HANDLE stop)
{
    char newest[LONG_PATH];
    FILETIME now;
    int result;

    if (!MapToBackup(backup, source, newest, sizeof(newest)))
        return COPY_DONE;
    GetSystemTimeAsFileTime(&now);
    if (IsCopyCurrent(source, newest, &now))
        return COPY_DONE;
    result = CopyThroughTemp(source, newest, stop);
    if (result != COPY_DONE)
        return result;
    GetSystemTimeAsFileTime(&now);
    return CopyIntoRings(backup, source, newest, stop, &now);
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
