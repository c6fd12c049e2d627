// Watching the listed folders: threads of up to 62 handles each wait on the
// folders' notifications and on the folder names of every folder above
// them, mark what changed and wake the main loop. A tree's changed names
// are read as they come on Windows NT; elsewhere a change has the tree
// looked over. A rename or removal anywhere above a watched folder has the
// folders below it checked: one that is no longer the folder watched is
// watched again by its path. Every 2 s a group looks for its missing folders
// and looks over the ones that refuse notifications; with none it only waits.
#include "notifier/notifier.h"
#include "notifier/trouble/trouble.h"
#include "notifier/watch/watch.h"
#include "notifier/watch/watch_internal.h"

// One handle of a group is the quit event, one its own wake-up.
#define GROUP_SIZE (MAXIMUM_WAIT_OBJECTS - 2)
#define RESCAN_MS 2000
// The longest that changes gather while the backup disk is away; a tree's
// read sets its own, which its buffer holds at the pace of a burst.
#define AWAY_GATHER_MS 100

#define CHANGE_FILTER                                                                                        \
    (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |                  \
     FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_ATTRIBUTES)

// A group's items are folders (0 .. folderCount - 1) and then aboves.
struct WatchGroup {
    WatchList *list;
    int first;
    int count;
    HANDLE thread;
    HANDLE ready;           // set once the group's folders are watched
    HANDLE recheck;         // a rename above: the group checks its folders' identity
    volatile LONG *suspect; // per item: to be checked
};

static void Wake(WatchList *list)
{
    SetEvent(list->wake);
}

// The moment of the report goes with the change, by the tick count, which
// no clock setting moves, so that the main loop judges the files against it
// however long it was busy.
static void MarkChanged(WatchList *list, WatchFolder *folder)
{
    NoteReportTick(&folder->changed);
    Wake(list);
}

// Which folder lies at path: its file index on Windows NT, its creation
// time on Windows 9x (which cannot open a folder); 0 when it cannot be read.
static int ReadFolderId(const char *path, DWORD *low, DWORD *high)
{
    BY_HANDLE_FILE_INFORMATION info;
    WIN32_FIND_DATAA data;
    HANDLE folder;
    int ok;

    if (!IsWindowsNt()) {
        if (!GetPathInfo(path, &data) || !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return 0;
        *low = data.ftCreationTime.dwLowDateTime;
        *high = data.ftCreationTime.dwHighDateTime;
        return 1;
    }
    folder = CreateFileA(path, 0, ShareAll(), NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (folder == INVALID_HANDLE_VALUE)
        return 0;
    ok = GetFileInformationByHandle(folder, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(folder);
    *low = info.nFileIndexLow ^ info.dwVolumeSerialNumber;
    *high = info.nFileIndexHigh;
    return ok;
}

static int IsFolder(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);

    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static int AddToListing(const char *file, const WIN32_FIND_DATAA *data, void *context)
{
    DWORD *sum = (DWORD *)context;

    *sum = (*sum * 31 + HashPath(file)) ^ data->nFileSizeLow ^ data->ftLastWriteTime.dwLowDateTime;
    if ((data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(data->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ForEachNameIn(file, AddToListing, context);
    return 1;
}

// A number for the names, sizes and times of a folder's files (a tree's:
// of every file below it).
static DWORD ReadListing(const WatchFolder *folder)
{
    DWORD sum = 0;

    if (folder->tree)
        ForEachNameIn(folder->path, AddToListing, &sum);
    else
        ForEachFileIn(folder->path, AddToListing, &sum);
    return sum;
}

static void CloseWatch(WatchFolder *folder)
{
    if (folder->read != NULL)
        StopTreeRead(folder);
    else if (folder->change != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(folder->change);
    folder->change = INVALID_HANDLE_VALUE;
    folder->polled = 0;
}

// Whether the folder at the path is still the one watched; when not, the
// watch is let go, to be made again by path, and its files looked at.
static void CheckIdentity(WatchList *list, WatchFolder *folder)
{
    DWORD low, high;

    if (folder->change == INVALID_HANDLE_VALUE && !folder->polled)
        return;
    if (folder->anonymous
            ? IsFolder(folder->path)
            : ReadFolderId(folder->path, &low, &high) && low == folder->idLow && high == folder->idHigh)
        return;
    CloseWatch(folder);
    MarkChanged(list, folder);
}

// Watches a folder that is there: a tree by its changed names where the
// system reads them, else by its notification; one that refuses both (some
// network folders) is looked over every 2 s instead.
static void OpenWatch(WatchFolder *folder)
{
    folder->anonymous = !ReadFolderId(folder->path, &folder->idLow, &folder->idHigh);
    if (folder->tree && StartTreeRead(folder))
        return;
    folder->change = FindFirstChangeNotificationA(folder->path, folder->tree, CHANGE_FILTER);
    if (folder->change == INVALID_HANDLE_VALUE) {
        folder->polled = 1;
        folder->listing = ReadListing(folder);
    }
}

static void OpenMissingFolder(WatchList *list, WatchFolder *folder, int atStart)
{
    DWORD attributes;

    if (folder->change != INVALID_HANDLE_VALUE || folder->polled || folder->dead)
        return;
    attributes = GetFileAttributesA(folder->path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        folder->dead = 1; // a listed file, not a folder: its parent tells
        return;
    }
    OpenWatch(folder);
    // One that comes after the start has files nobody has looked at yet.
    if (!atStart)
        MarkChanged(list, folder);
}

static void OpenMissingAbove(AboveWatch *above)
{
    if (above->change == INVALID_HANDLE_VALUE)
        above->change = FindFirstChangeNotificationA(above->path, FALSE, FILE_NOTIFY_CHANGE_DIR_NAME);
}

static WatchFolder *ItemFolder(WatchGroup *group, int i)
{
    int item = group->first + i;

    return item < group->list->folderCount ? &group->list->folders[item] : NULL;
}

static AboveWatch *ItemAbove(WatchGroup *group, int i)
{
    int item = group->first + i - group->list->folderCount;

    return item >= 0 ? &group->list->aboves[item] : NULL;
}

static void OpenMissing(WatchGroup *group, int atStart)
{
    int i;

    for (i = 0; i < group->count; i++) {
        if (ItemFolder(group, i) != NULL)
            OpenMissingFolder(group->list, ItemFolder(group, i), atStart);
        else
            OpenMissingAbove(ItemAbove(group, i));
    }
}

// Whether the group has something to look for or to look over every 2 s.
static int NeedsRescan(WatchGroup *group)
{
    int i;

    for (i = 0; i < group->count; i++) {
        const WatchFolder *folder = ItemFolder(group, i);

        if (folder != NULL ? folder->polled || (folder->change == INVALID_HANDLE_VALUE && !folder->dead)
                           : ItemAbove(group, i)->change == INVALID_HANDLE_VALUE)
            return 1;
    }
    return 0;
}

// Every 2 s: a polled folder that is gone or whose files differ changed.
static void CheckPolled(WatchGroup *group)
{
    int i;
    DWORD listing;

    for (i = 0; i < group->count; i++) {
        WatchFolder *folder = ItemFolder(group, i);

        if (folder == NULL || !folder->polled)
            continue;
        CheckIdentity(group->list, folder);
        if (folder->polled && (listing = ReadListing(folder)) != folder->listing) {
            folder->listing = listing;
            MarkChanged(group->list, folder);
        }
    }
}

// A rename or removal above: every watched folder below it, in any group,
// is checked by its own group's thread, which owns its handles.
static void SuspectBelow(WatchList *list, const AboveWatch *above)
{
    WatchGroup *owner;
    int i;

    for (i = 0; i < list->folderCount; i++) {
        // Items go to the groups in order, GROUP_SIZE to each.
        if (i / GROUP_SIZE >= list->groupCount || !IsInsideFolder(list->folders[i].path, above->path))
            continue;
        owner = &list->groups[i / GROUP_SIZE];
        InterlockedExchange(&owner->suspect[i - owner->first], 1);
        SetEvent(owner->recheck);
    }
}

static void CheckSuspects(WatchGroup *group)
{
    int i;

    for (i = 0; i < group->count; i++) {
        if (InterlockedExchange(&group->suspect[i], 0) && ItemFolder(group, i) != NULL)
            CheckIdentity(group->list, ItemFolder(group, i));
    }
}

static void TakeFolderSignal(WatchList *list, WatchFolder *folder)
{
    if (folder->read != NULL) {
        // The tree's names are queued; a tree that cannot be read any more
        // is gone, or renamed: looked for again by its path.
        if (TakeTreeRead(list, folder)) {
            Wake(list);
            return;
        }
        CloseWatch(folder);
    } else if (!FindNextChangeNotification(folder->change)) {
        CloseWatch(folder); // the folder went away: look for it again
    }
    MarkChanged(list, folder);
}

// Re-arms every signalled handle of the group before the main loop looks at
// the folders, so that a change made while it copies is not lost. Returns
// how long the next names may gather: none when a tree's came fast.
static DWORD TakeSignals(WatchGroup *group)
{
    DWORD gather = AWAY_GATHER_MS, most;
    int i;

    for (i = 0; i < group->count; i++) {
        WatchFolder *folder = ItemFolder(group, i);
        AboveWatch *above = folder == NULL ? ItemAbove(group, i) : NULL;
        HANDLE change = folder != NULL ? folder->change : above->change;

        if (!IsSignalled(change))
            continue;
        if (folder != NULL) {
            TakeFolderSignal(group->list, folder);
            most = IsReadFilling(folder) ? 0 : GetGatherTime(folder);
            gather = most < gather ? most : gather;
            continue;
        }
        if (!FindNextChangeNotification(above->change)) {
            FindCloseChangeNotification(above->change);
            above->change = INVALID_HANDLE_VALUE;
        }
        SuspectBelow(group->list, above);
    }
    return gather;
}

static DWORD CollectHandles(WatchGroup *group, HANDLE *handles)
{
    DWORD count = 2;
    int i;

    handles[0] = group->list->quit;
    handles[1] = group->recheck;
    for (i = 0; i < group->count; i++) {
        HANDLE change =
            ItemFolder(group, i) != NULL ? ItemFolder(group, i)->change : ItemAbove(group, i)->change;

        if (change != INVALID_HANDLE_VALUE)
            handles[count++] = change;
    }
    return count;
}

static DWORD WINAPI WatchGroupThread(LPVOID param)
{
    WatchGroup *group = (WatchGroup *)param;
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    DWORD count, result, nextCheck = GetTickCount() + RESCAN_MS, timeout, gather;

    // The start looks over every entry once the watches are set.
    OpenMissing(group, 1);
    SetEvent(group->ready);
    for (;;) {
        OpenMissing(group, 0);
        count = CollectHandles(group, handles);
        timeout = !NeedsRescan(group)                ? INFINITE
                  : IsDue(GetTickCount(), nextCheck) ? 0
                                                     : nextCheck - GetTickCount();
        result = WaitForMultipleObjects(count, handles, FALSE, timeout);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            break;
        CheckSuspects(group);
        gather = result != WAIT_TIMEOUT ? TakeSignals(group) : 0;
        // Away, nothing is copied: names that come one by one gather in the
        // system's buffer for a moment and are taken many at a time.
        if (gather > 0 && !IsDiskReady() && WaitForSingleObject(handles[0], gather) == WAIT_OBJECT_0)
            break;
        if (IsDue(GetTickCount(), nextCheck)) {
            CheckPolled(group);
            nextCheck = GetTickCount() + RESCAN_MS;
        }
    }
    return 0;
}

static int StartGroup(WatchList *list, WatchGroup *group, int first, int items)
{
    DWORD id;

    group->list = list;
    group->first = first;
    group->count = items - first < GROUP_SIZE ? items - first : GROUP_SIZE;
    group->suspect =
        (volatile LONG *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, group->count * sizeof(LONG));
    group->ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    group->recheck = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (group->suspect == NULL || group->ready == NULL || group->recheck == NULL)
        return 0;
    // Windows 9x needs the id. The stack is the program's usual: the polled
    // look goes down a tree.
    group->thread = CreateThread(NULL, 0, WatchGroupThread, group, 0, &id);
    return group->thread != NULL;
}

int StartWatching(WatchList *list)
{
    int items = list->folderCount + list->aboveCount;
    int groups = (items + GROUP_SIZE - 1) / GROUP_SIZE;
    int i;

    list->wake = CreateEventA(NULL, FALSE, FALSE, NULL);
    list->quit = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (list->wake == NULL || list->quit == NULL)
        return 0;
    if (groups == 0)
        return 1;
    list->groups = (WatchGroup *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, groups * sizeof(WatchGroup));
    if (list->groups == NULL)
        return 0;
    for (i = 0; i < groups; i++) {
        list->groupCount = i + 1;
        if (!StartGroup(list, &list->groups[i], i * GROUP_SIZE, items))
            return 0;
    }
    // A change made while the start looks over the entries is not lost.
    for (i = 0; i < groups; i++)
        WaitForSingleObject(list->groups[i].ready, INFINITE);
    return 1;
}

static void CloseGroup(WatchGroup *group)
{
    if (group->thread != NULL) {
        WaitForSingleObject(group->thread, INFINITE);
        CloseHandle(group->thread);
    }
    if (group->ready != NULL)
        CloseHandle(group->ready);
    if (group->recheck != NULL)
        CloseHandle(group->recheck);
    if (group->suspect != NULL)
        HeapFree(GetProcessHeap(), 0, (void *)group->suspect);
}

void StopWatching(WatchList *list)
{
    int i;

    if (list->quit != NULL)
        SetEvent(list->quit);
    for (i = 0; i < list->groupCount; i++)
        CloseGroup(&list->groups[i]);
    for (i = 0; i < list->folderCount; i++)
        CloseWatch(&list->folders[i]);
    for (i = 0; i < list->aboveCount; i++) {
        if (list->aboves[i].change != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(list->aboves[i].change);
        list->aboves[i].change = INVALID_HANDLE_VALUE;
    }
    if (list->groups != NULL)
        HeapFree(GetProcessHeap(), 0, list->groups);
    if (list->wake != NULL)
        CloseHandle(list->wake);
    if (list->quit != NULL)
        CloseHandle(list->quit);
    list->groups = NULL;
    list->groupCount = 0;
    list->wake = list->quit = NULL;
}

int CollectChanges(WatchList *list)
{
    int i, any = 0;
    LONG lost;
    FILETIME seen;

    // Taken before the entries are marked: a change signalled meanwhile
    // stays for the next round instead of being cleared unseen.
    for (i = 0; i < list->folderCount; i++)
        list->folders[i].taken = InterlockedExchange(&list->folders[i].changed, 0);
    // Names lost to a full queue: every tree is looked over, as of the loss.
    lost = InterlockedExchange(&list->reports.overflowed, 0);
    for (i = 0; i < list->folderCount && lost != 0; i++) {
        if (list->folders[i].tree)
            list->folders[i].taken = EarlierTick(list->folders[i].taken, lost);
    }
    for (i = 0; i < list->entryCount; i++) {
        WatchEntry *entry = &list->entries[i];
        LONG at = entry->parent != NO_FOLDER ? list->folders[entry->parent].taken : 0;

        if (entry->self != NO_FOLDER)
            at = EarlierTick(at, list->folders[entry->self].taken);
        if (at == 0)
            continue;
        GetReportedTime((DWORD)at, &seen);
        // One still waiting keeps the moment of its earlier change.
        if (!entry->pending || CompareFileTime(&seen, &entry->seen) < 0)
            entry->seen = seen;
        entry->pending = 1;
        entry->reported = 1;
        any = 1;
    }
    return any;
}
