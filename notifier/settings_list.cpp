// The backup path and the backup list, read from the product key by the
// settings program's own rules, and the folders to watch for them: the
// folders of listed files, the trees of listed folders, and the folders
// above both, where their renames show.
#include "notifier/notifier.h"
#include "notifier/trouble/trouble.h"
#include "notifier/watch/watch.h"

#include "store/settings_read.h"
#include "store/settings_store.h"

#include <string.h>

int MakeRoom(void **items, int count, int *capacity, size_t itemSize)
{
    void *grown;
    int wanted;

    if (count < *capacity)
        return 1;
    wanted = *capacity > 0 ? *capacity * 2 : 16;
    if (*items == NULL)
        grown = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, wanted * itemSize);
    else
        grown = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, *items, wanted * itemSize);
    if (grown == NULL)
        return 0;
    *items = grown;
    *capacity = wanted;
    return 1;
}

char *CopyText(const char *text)
{
    size_t size = strlen(text) + 1;
    char *copy = (char *)HeapAlloc(GetProcessHeap(), 0, size);

    if (copy != NULL)
        memcpy(copy, text, size);
    return copy;
}

// A list of thousands of entries is checked for repeats by numbers, and the
// text is compared only when they match. Upper-cased as CharUpperA would,
// by a table rather than a call for every name reported; a double-byte
// character is left as it is, as CharUpperA leaves it.
DWORD HashPath(const char *path)
{
    DWORD hash = 2166136261u;
    const char *p, *next;

    for (p = path; *p != '\0'; p = next) {
        next = NextPathChar(p);
        if (next - p == 1) {
            hash = (hash ^ ToUpperByte((BYTE)*p)) * 16777619u;
            continue;
        }
        for (; p < next; p++)
            hash = (hash ^ (BYTE)*p) * 16777619u;
    }
    return hash;
}

static int AddFolder(WatchList *list, const char *path, int tree, int *capacity)
{
    DWORD hash = HashPath(path);
    WatchFolder *folder;
    int i;

    for (i = 0; i < list->folderCount; i++) {
        if (list->folders[i].hash == hash && list->folders[i].tree == tree && lstrcmpiA(list->folders[i].path, path) == 0)
            return i;
    }
    if (!MakeRoom((void **)&list->folders, list->folderCount, capacity, sizeof(WatchFolder)))
        return NO_FOLDER;
    folder = &list->folders[i];
    lstrcpynA(folder->path, path, MAX_PATH);
    folder->hash = hash;
    folder->tree = tree;
    folder->change = INVALID_HANDLE_VALUE;
    list->folderCount++;
    return i;
}

// The folder that holds path ("C:\" for "C:\x"); 0 for a root or a share.
static int GetParentFolder(const char *path, char *parent)
{
    const char *slash = FindLastBackslash(path);

    if (slash == NULL || slash - path < 2)
        return 0;
    if (path[0] == '\\' && FindFirstBackslash(path + 2) == slash)
        return 0;  // "\\server\share" has no folder above it to watch
    if (slash - path == 2 && path[1] == ':')
        slash++;  // keep the root's backslash
    if (slash == path + strlen(path))
        return 0;
    lstrcpynA(parent, path, (int)(slash - path) + 1);
    return 1;
}

static int IsListed(const WatchList *list, const char *path, DWORD hash)
{
    int i;

    for (i = 0; i < list->entryCount; i++) {
        if (list->entries[i].hash == hash && lstrcmpiA(list->entries[i].path, path) == 0)
            return 1;
    }
    return 0;
}

static void AddEntry(WatchList *list, const char *path, int *capacity, int *folderCapacity)
{
    char parent[MAX_PATH];
    DWORD attributes = GetFileAttributesA(path);
    int isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    DWORD hash = HashPath(path);
    WatchEntry *entry;

    if (IsListed(list, path, hash) || !MakeRoom((void **)&list->entries, list->entryCount, capacity, sizeof(WatchEntry)))
        return;
    entry = &list->entries[list->entryCount++];
    lstrcpynA(entry->path, path, MAX_PATH);
    entry->hash = hash;
    // A file is seen through its folder; a folder through its tree; a path
    // that is not there yet through both, as it may come as either.
    entry->parent = NO_FOLDER;
    entry->self = NO_FOLDER;
    if (!isFolder && GetParentFolder(path, parent))
        entry->parent = AddFolder(list, parent, 0, folderCapacity);
    if (attributes == INVALID_FILE_ATTRIBUTES || isFolder)
        entry->self = AddFolder(list, path, 1, folderCapacity);
    entry->pending = 1;  // changes made while no notifier ran
    entry->seen = list->started;
}

// Every folder above a watched one, each once, up to its drive's root.
static void AddAboveFolders(WatchList *list)
{
    char path[MAX_PATH], parent[MAX_PATH];
    int i, j, capacity = 0;

    for (i = 0; i < list->folderCount; i++) {
        lstrcpynA(path, list->folders[i].path, MAX_PATH);
        while (GetParentFolder(path, parent)) {
            for (j = 0; j < list->aboveCount && lstrcmpiA(list->aboves[j].path, parent) != 0; j++) {
            }
            if (j == list->aboveCount) {
                if (!MakeRoom((void **)&list->aboves, list->aboveCount, &capacity, sizeof(AboveWatch)))
                    return;
                lstrcpynA(list->aboves[j].path, parent, MAX_PATH);
                list->aboves[j].change = INVALID_HANDLE_VALUE;
                list->aboveCount++;
            }
            lstrcpynA(path, parent, MAX_PATH);
        }
    }
}

struct ListLoad {
    WatchList *list;
    int capacity, folderCapacity;
};

static int TakeListItem(const char *text, void *context)
{
    ListLoad *load = (ListLoad *)context;
    char full[MAX_PATH];

    if (NormalizeSourcePath(text, full) && !IsInsideCopies(full, load->list->backup))
        AddEntry(load->list, full, &load->capacity, &load->folderCapacity);
    return 1;
}

int LoadWatchList(WatchList *list)
{
    ListLoad load;

    ZeroMemory(list, sizeof(*list));
    GetSystemTimeAsFileTime(&list->started);
    // The backup folder is made by the first look at the disk, and only
    // where no other disk took the place of the one that holds the copies.
    ReadBackupFolder(list->backup);
    OpenLog(list->backup);
    load.list = list;
    load.capacity = load.folderCapacity = 0;
    ReadListItems(TakeListItem, &load);
    AddAboveFolders(list);
    return InitReports(&list->reports);
}

void FreeWatchList(WatchList *list)
{
    FreeTroubles(list);
    FreeTreeLooks(list);
    FreeReports(&list->reports);
    if (list->aboves != NULL)
        HeapFree(GetProcessHeap(), 0, list->aboves);
    if (list->entries != NULL)
        HeapFree(GetProcessHeap(), 0, list->entries);
    if (list->folders != NULL)
        HeapFree(GetProcessHeap(), 0, list->folders);
    ZeroMemory(list, sizeof(*list));
}
