// Watching the listed folders: a thread per 31 folders waits on their change
// notifications and on their parents' (a wait takes at most 64 handles, one
// is the quit event), marks the folders that changed and wakes the main
// loop. When a parent reports a folder renamed, removed or made, the folder
// at the path is looked at: a different one is watched again by its path.
// Every 2 s it looks for missing folders and looks over the folders that
// refuse notifications; with none of those it only waits.
#include "notifier/notifier.h"

#define GROUP_SIZE ((MAXIMUM_WAIT_OBJECTS - 1) / 2)
#define RESCAN_MS 2000
#define TICKS_PER_MS 10000ULL

#define CHANGE_FILTER \
    (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)

struct WatchGroup {
    WatchList *list;
    int first;
    int count;
    HANDLE thread;
    HANDLE ready;  // set once the group's folders are watched
};

// The moment of the report goes with the change, by the tick count, which
// no clock setting moves, so that the main loop judges the files against it
// however long it was busy.
static void MarkChanged(WatchList *list, WatchFolder *folder)
{
    InterlockedExchange(&folder->reportedAt, (LONG)GetTickCount());
    InterlockedExchange(&folder->changed, 1);
    SetEvent(list->wake);
}

// Which folder lies at path: its file index on Windows NT, its creation
// time on Windows 9x (which cannot open a folder); 0 when there is none.
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
    folder = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (folder == INVALID_HANDLE_VALUE)
        return 0;
    ok = GetFileInformationByHandle(folder, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(folder);
    *low = info.nFileIndexLow ^ info.dwVolumeSerialNumber;
    *high = info.nFileIndexHigh;
    return ok;
}

static int AddToListing(const char *file, const WIN32_FIND_DATAA *data, void *context)
{
    DWORD *sum = (DWORD *)context;

    *sum = (*sum * 31 + HashPath(file)) ^ data->nFileSizeLow ^ data->ftLastWriteTime.dwLowDateTime;
    return 1;
}

// A number for the names, sizes and times of the files in a folder.
static DWORD ReadListing(const char *path)
{
    DWORD sum = 0;

    ForEachFileIn(path, AddToListing, &sum);
    return sum;
}

static void CloseWatch(WatchFolder *folder)
{
    if (folder->change != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(folder->change);
    if (folder->above != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(folder->above);
    folder->change = folder->above = INVALID_HANDLE_VALUE;
    folder->polled = 0;
}

// Watches the names of the folders beside this one, where its own rename
// or removal shows; nothing for a root or a share.
static void WatchAbove(WatchFolder *folder)
{
    char parent[MAX_PATH];
    const char *slash = FindLastBackslash(folder->path);

    if (slash == NULL || slash[1] == '\0' || (folder->path[0] == '\\' && FindFirstBackslash(folder->path + 2) == slash))
        return;
    lstrcpynA(parent, folder->path, (int)(slash - folder->path) + 1);
    if (slash - folder->path == 2 && folder->path[1] == ':')
        lstrcatA(parent, "\\");
    folder->above = FindFirstChangeNotificationA(parent, FALSE, FILE_NOTIFY_CHANGE_DIR_NAME);
}

// Whether the folder at the path is still the one watched; when not, the
// watch is let go, to be made again by path, and its files looked at.
static void CheckIdentity(WatchList *list, WatchFolder *folder)
{
    DWORD low, high;

    if (ReadFolderId(folder->path, &low, &high) && low == folder->idLow && high == folder->idHigh)
        return;
    CloseWatch(folder);
    MarkChanged(list, folder);
}

// Every 2 s: a polled folder that is gone or whose files differ changed.
static void CheckPolled(WatchGroup *group)
{
    int i;
    DWORD listing;

    for (i = 0; i < group->count; i++) {
        WatchFolder *folder = &group->list->folders[group->first + i];

        if (!folder->polled)
            continue;
        CheckIdentity(group->list, folder);
        if (folder->polled && (listing = ReadListing(folder->path)) != folder->listing) {
            folder->listing = listing;
            MarkChanged(group->list, folder);
        }
    }
}

// Whether the group has a folder to look for or to look over every 2 s.
static int NeedsRescan(const WatchGroup *group)
{
    int i;

    for (i = 0; i < group->count; i++) {
        const WatchFolder *folder = &group->list->folders[group->first + i];

        if (folder->polled || (folder->change == INVALID_HANDLE_VALUE && !folder->dead))
            return 1;
    }
    return 0;
}

// Looks for the group's missing folders. One that comes after the start
// has files nobody has looked at yet.
static void OpenMissing(WatchGroup *group, int atStart)
{
    int i;

    for (i = 0; i < group->count; i++) {
        WatchFolder *folder = &group->list->folders[group->first + i];
        DWORD attributes;

        if (folder->change != INVALID_HANDLE_VALUE || folder->polled || folder->dead)
            continue;
        attributes = GetFileAttributesA(folder->path);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            folder->dead = 1;  // a listed file, not a folder: its parent tells
            continue;
        }
        if (!ReadFolderId(folder->path, &folder->idLow, &folder->idHigh))
            continue;
        folder->change = FindFirstChangeNotificationA(folder->path, FALSE, CHANGE_FILTER);
        // There, but refusing notifications (some network folders): its
        // files are looked over every 2 s instead.
        if (folder->change == INVALID_HANDLE_VALUE) {
            folder->polled = 1;
            folder->listing = ReadListing(folder->path);
        }
        WatchAbove(folder);
        if (!atStart)
            MarkChanged(group->list, folder);
    }
}

// Re-arms every signalled handle of the group before the main loop looks at
// the folders, so that a change made while it copies is not lost.
static void TakeSignals(WatchGroup *group)
{
    int i;

    for (i = 0; i < group->count; i++) {
        WatchFolder *folder = &group->list->folders[group->first + i];

        if (IsSignalled(folder->above)) {
            if (!FindNextChangeNotification(folder->above)) {
                FindCloseChangeNotification(folder->above);
                folder->above = INVALID_HANDLE_VALUE;
            }
            CheckIdentity(group->list, folder);
        }
        if (!IsSignalled(folder->change))
            continue;
        // The folder went away: look for it again.
        if (!FindNextChangeNotification(folder->change))
            CloseWatch(folder);
        MarkChanged(group->list, folder);
    }
}

static DWORD WINAPI WatchGroupThread(LPVOID param)
{
    WatchGroup *group = (WatchGroup *)param;
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    DWORD count, i, result, nextCheck = GetTickCount() + RESCAN_MS, now, timeout;

    // The start looks over every entry once the watches are set.
    OpenMissing(group, 1);
    SetEvent(group->ready);
    for (;;) {
        OpenMissing(group, 0);
        handles[0] = group->list->quit;
        count = 1;
        for (i = 0; i < (DWORD)group->count; i++) {
            const WatchFolder *folder = &group->list->folders[group->first + i];

            if (folder->change != INVALID_HANDLE_VALUE)
                handles[count++] = folder->change;
            if (folder->above != INVALID_HANDLE_VALUE)
                handles[count++] = folder->above;
        }
        now = GetTickCount();
        if (!NeedsRescan(group))
            timeout = INFINITE;
        else
            timeout = (LONG)(nextCheck - now) > 0 ? nextCheck - now : 0;
        result = WaitForMultipleObjects(count, handles, FALSE, timeout);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            break;
        if (result != WAIT_TIMEOUT)
            TakeSignals(group);
        if ((LONG)(GetTickCount() - nextCheck) >= 0) {
            CheckPolled(group);
            nextCheck = GetTickCount() + RESCAN_MS;
        }
    }
    return 0;
}

int StartWatching(WatchList *list)
{
    int groups = (list->folderCount + GROUP_SIZE - 1) / GROUP_SIZE;
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
        WatchGroup *group = &list->groups[i];
        DWORD id;

        group->list = list;
        group->first = i * GROUP_SIZE;
        group->count = list->folderCount - group->first < GROUP_SIZE ? list->folderCount - group->first : GROUP_SIZE;
        group->ready = CreateEventA(NULL, TRUE, FALSE, NULL);
        if (group->ready == NULL)
            return 0;
        // A small stack: the thread only waits. Windows 9x needs the id.
        group->thread = CreateThread(NULL, 64 * 1024, WatchGroupThread, group, 0, &id);
        if (group->thread == NULL) {
            CloseHandle(group->ready);
            return 0;
        }
        list->groupCount = i + 1;
    }
    // A change made while the start looks over the entries is not lost.
    for (i = 0; i < groups; i++)
        WaitForSingleObject(list->groups[i].ready, INFINITE);
    return 1;
}

void StopWatching(WatchList *list)
{
    int i;

    if (list->quit != NULL)
        SetEvent(list->quit);
    for (i = 0; i < list->groupCount; i++) {
        WaitForSingleObject(list->groups[i].thread, INFINITE);
        CloseHandle(list->groups[i].thread);
        CloseHandle(list->groups[i].ready);
    }
    for (i = 0; i < list->folderCount; i++)
        CloseWatch(&list->folders[i]);
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

// The moment the folder's change was reported, on the clock as it is now:
// a clock set back since the start gives no moment before the files' times.
static void SetReportedTime(const WatchFolder *folder, FILETIME *seen)
{
    FILETIME now;
    DWORD ago = GetTickCount() - (DWORD)folder->reportedAt;
    ULONGLONG at;

    GetSystemTimeAsFileTime(&now);
    at = ToTicks(&now) - (ULONGLONG)ago * TICKS_PER_MS;

    seen->dwLowDateTime = (DWORD)at;
    seen->dwHighDateTime = (DWORD)(at >> 32);
}

int CollectChanges(WatchList *list)
{
    int i, any = 0;

    // Taken before the entries are marked: a change signalled meanwhile
    // stays for the next round instead of being cleared unseen.
    for (i = 0; i < list->folderCount; i++)
        list->folders[i].taken = InterlockedExchange(&list->folders[i].changed, 0);
    for (i = 0; i < list->entryCount; i++) {
        WatchEntry *entry = &list->entries[i];
        const WatchFolder *folder = NULL;

        if (entry->parent != NO_FOLDER && list->folders[entry->parent].taken)
            folder = &list->folders[entry->parent];
        if (entry->self != NO_FOLDER && list->folders[entry->self].taken)
            folder = &list->folders[entry->self];
        if (folder == NULL)
            continue;
        entry->pending = 1;
        entry->reported = 1;
        SetReportedTime(folder, &entry->seen);
        any = 1;
    }
    return any;
}
