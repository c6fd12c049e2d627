// The folder window's index: one listing of each place's tree below the
// folder (the newest copies with the waiting ones, each ring slot, the
// folder itself) and the deletion record, kept in a few growing arrays.
#include "dxrestore/folder.h"

#include "layout/deletion_log.h"

#include <string.h>

struct TreeWalk {
    FolderIndex *index;
    int place;        // a copy place, or -1 for the folder itself
    int rootLength;   // where the path below the folder starts
};

// Grows the array at *items of *room elements of size bytes to hold need.
static int MakeRoomFor(void **items, int *room, int need, int size)
{
    int grown = *room > 0 ? *room : 256;
    void *moved;

    if (need <= *room)
        return 1;
    while (grown < need)
        grown *= 2;
    moved = *items == NULL ? HeapAlloc(GetProcessHeap(), 0, (SIZE_T)grown * size)
                           : HeapReAlloc(GetProcessHeap(), 0, *items, (SIZE_T)grown * size);
    if (moved == NULL)
        return 0;
    *items = moved;
    *room = grown;
    return 1;
}

static DWORD HashName(const char *name)
{
    DWORD sum = 2166136261u;

    for (; *name != '\0'; name++)
        sum = (sum ^ (BYTE)(*name >= 'A' && *name <= 'Z' ? *name + 32 : *name)) * 16777619u;
    return sum;
}

const char *GetFileName(const FolderIndex *index, int file)
{
    return index->names + index->files[file].name;
}

// Letter case aside, as the file system sees names: ASCII is folded here,
// the system compares the rest (the locale's compare is slow for a tree).
static int IsSameName(const char *a, const char *b)
{
    const char *startA = a, *startB = b;

    for (; *a != '\0' && *b != '\0'; a++, b++) {
        if ((BYTE)*a >= 0x80 || (BYTE)*b >= 0x80)
            return lstrcmpiA(startA, startB) == 0;
        if (*a != *b && (*a | 0x20) != (*b | 0x20))
            return 0;
        if (*a != *b && !((*a | 0x20) >= 'a' && (*a | 0x20) <= 'z'))
            return 0;
    }
    return *a == *b;
}

// The hash slot of name: its file's, or the free one where it would go.
static int FindSlot(const FolderIndex *index, const char *name)
{
    int at = (int)(HashName(name) & (DWORD)(index->hashRoom - 1));

    while (index->hash[at] != 0 && !IsSameName(GetFileName(index, index->hash[at] - 1), name))
        at = (at + 1) & (index->hashRoom - 1);
    return at;
}

static int GrowHash(FolderIndex *index)
{
    int *old = index->hash, oldRoom = index->hashRoom, i;

    index->hashRoom = oldRoom > 0 ? oldRoom * 2 : 1024;
    index->hash = (int *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (SIZE_T)index->hashRoom * sizeof(int));
    if (index->hash == NULL) {
        index->hash = old;
        index->hashRoom = oldRoom;
        return 0;
    }
    for (i = 0; i < oldRoom; i++) {
        if (old[i] != 0)
            index->hash[FindSlot(index, GetFileName(index, old[i] - 1))] = old[i];
    }
    if (old != NULL)
        HeapFree(GetProcessHeap(), 0, old);
    return 1;
}

// The file number of name, added when new; -1 when out of memory.
static int TakeFile(FolderIndex *index, const char *name)
{
    int length = lstrlenA(name) + 1, slot;
    FolderFile *file;

    if ((index->fileCount + 1) * 2 > index->hashRoom && !GrowHash(index))
        return -1;
    slot = FindSlot(index, name);
    if (index->hash[slot] != 0)
        return index->hash[slot] - 1;
    if (!MakeRoomFor((void **)&index->files, &index->fileRoom, index->fileCount + 1, sizeof(FolderFile)) ||
        !MakeRoomFor((void **)&index->names, &index->namesRoom, index->namesUsed + length, 1))
        return -1;
    file = &index->files[index->fileCount];
    ZeroMemory(file, sizeof(*file));
    file->name = index->namesUsed;
    file->first = -1;
    memcpy(index->names + index->namesUsed, name, length);
    index->namesUsed += length;
    index->hash[slot] = ++index->fileCount;
    return index->fileCount - 1;
}

static int AddEntry(FolderIndex *index, int file, int place, const FILETIME *saved, ULONGLONG size)
{
    FolderCopy *entry;

    if (!MakeRoomFor((void **)&index->copies, &index->copyRoom, index->copyCount + 1, sizeof(FolderCopy)))
        return 0;
    entry = &index->copies[index->copyCount];
    entry->next = index->files[file].first;
    entry->place = place;
    entry->saved = *saved;
    entry->size = size;
    index->files[file].first = index->copyCount++;
    return 1;
}

// Temporary names beside copies and files are no files of their own.
static int IsTemporaryName(const char *name, int *waiting)
{
    static const char *const SUFFIXES[] = {TEMP_SUFFIX, ASIDE_SUFFIX};
    int length = lstrlenA(name), i, suffix;

    suffix = lstrlenA(WAITING_SUFFIX);
    *waiting = length > suffix && lstrcmpiA(name + length - suffix, WAITING_SUFFIX) == 0;
    for (i = 0; i < 2; i++) {
        suffix = lstrlenA(SUFFIXES[i]);
        if (length > suffix && lstrcmpiA(name + length - suffix, SUFFIXES[i]) == 0)
            return 1;
    }
    return 0;
}

static int TakeName(const char *path, const WIN32_FIND_DATAA *data, void *context)
{
    TreeWalk *walk = (TreeWalk *)context;
    FolderIndex *index = walk->index;
    char name[LONG_PATH];
    ULONGLONG size = (ULONGLONG)data->nFileSizeHigh << 32 | data->nFileSizeLow;
    int waiting, file;

    if (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return ForEachNameIn(path, TakeName, walk);
    if (strchr(data->cFileName, WIDE_NAME_MARK) != NULL || IsTemporaryName(path, &waiting) ||
        (waiting && walk->place != 0))
        return 1;
    lstrcpynA(name, path + walk->rootLength, sizeof(name));
    if (waiting)
        name[lstrlenA(name) - lstrlenA(WAITING_SUFFIX)] = '\0';
    file = TakeFile(index, name);
    if (file < 0) {
        index->failed = 1;
        return 0;
    }
    if (walk->place >= 0)
        return AddEntry(index, file, waiting ? 1 : walk->place, &data->ftLastWriteTime, size) || (index->failed = 1, 0);
    index->files[file].present = 1;
    index->files[file].nowSaved = data->ftLastWriteTime;
    index->files[file].nowSize = size;
    return 1;
}

static void WalkTree(FolderIndex *index, const char *root, int place)
{
    TreeWalk walk = {index, place, lstrlenA(root) + (EndsWithSlash(root) ? 0 : 1)};

    ForEachNameIn(root, TakeName, &walk);
}

// Each place that holds a tree of the folder's copies: the newest copies
// (place 0, with the waiting ones beside them) and every ring slot, whose
// round is read with it.
static void WalkPlaces(FolderIndex *index)
{
    char slot[LONG_PATH], root[LONG_PATH];
    int place, ring, number;

    if (MapToBackup(index->backup, index->folder, root, sizeof(root)))
        WalkTree(index, root, 0);
    for (place = 2; place < COPY_PLACE_COUNT && !index->failed; place++) {
        if (!GetCopyPlace(place, &ring, &number) || !GetRingSlotFolder(index->backup, ring, number, slot, sizeof(slot)) ||
            !MapToBackup(slot, index->folder, root, sizeof(root)) || GetFileAttributesA(slot) == INVALID_FILE_ATTRIBUTES)
            continue;
        index->hasRound[place] = (BYTE)ReadSlotRound(slot, &index->rounds[place]);
        WalkTree(index, root, place);
    }
}

// A record of a file goes with the file; one of a folder, with a name of
// its own that every file below it is checked against.
static int TakeDeletion(const char *source, const FILETIME *at, void *context)
{
    FolderIndex *index = (FolderIndex *)context;
    int length = lstrlenA(index->folder), slot, skip;
    const char *name = "";
    FolderGone *gone;

    if (IsInsideFolder(source, index->folder) && lstrlenA(source) > length) {
        skip = EndsWithSlash(index->folder) ? 0 : 1;
        name = source + length + skip;
        slot = index->hashRoom > 0 ? FindSlot(index, name) : -1;
        if (slot >= 0 && index->hash[slot] != 0)
            return AddEntry(index, index->hash[slot] - 1, PLACE_DELETION, at, 0) || (index->failed = 1, 0);
    }
    length = lstrlenA(name) + 1;
    if (!MakeRoomFor((void **)&index->gone, &index->goneRoom, index->goneCount + 1, sizeof(FolderGone)) ||
        !MakeRoomFor((void **)&index->names, &index->namesRoom, index->namesUsed + length, 1)) {
        index->failed = 1;
        return 0;
    }
    gone = &index->gone[index->goneCount++];
    gone->name = index->namesUsed;
    gone->at = *at;
    memcpy(index->names + index->namesUsed, name, length);
    index->namesUsed += length;
    return 1;
}

int IndexFolder(const char *backup, const char *folder, const FILETIME *now, FolderIndex *index)
{
    ZeroMemory(index, sizeof(*index));
    lstrcpynA(index->backup, backup, MAX_PATH);
    lstrcpynA(index->folder, folder, MAX_PATH);
    index->now = *now;
    WalkPlaces(index);
    if (!index->failed)
        WalkTree(index, folder, -1);
    if (!index->failed)
        ForEachDeletion(backup, folder, TakeDeletion, index);
    FindMoments(index);
    return !index->failed;
}

void FreeFolderIndex(FolderIndex *index)
{
    void *blocks[] = {index->names, index->files, index->copies, index->gone, index->hash};
    size_t i;

    for (i = 0; i < sizeof(blocks) / sizeof(blocks[0]); i++) {
        if (blocks[i] != NULL)
            HeapFree(GetProcessHeap(), 0, blocks[i]);
    }
    ZeroMemory(index, sizeof(*index));
}

int IsFolderPath(const char *backup, const char *path)
{
    char copy[LONG_PATH];
    WIN32_FIND_DATAA info;
    DWORD attributes = GetFileAttributesA(path);

    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return MapToBackup(backup, path, copy, sizeof(copy)) && GetPathInfo(copy, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}
