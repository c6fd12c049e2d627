// Watching the listed folders: a thread per 63 folders waits on their change
// notifications (a wait takes at most 64 handles, one is the quit event),
// marks the folders that changed and wakes the main loop.
#include "notifier/notifier.h"

#define GROUP_SIZE (MAXIMUM_WAIT_OBJECTS - 1)
// How often a folder that is missing is looked for again; nothing else polls.
#define RESCAN_MS 2000

#define CHANGE_FILTER \
    (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)

struct WatchGroup {
    WatchList *list;
    int first;
    int count;
    HANDLE thread;
};

static void MarkChanged(WatchList *list, WatchFolder *folder)
{
    InterlockedExchange(&folder->changed, 1);
    SetEvent(list->wake);
}

// Looks for the group's missing folders; 1 while some are still missing.
static int OpenMissing(WatchGroup *group)
{
    int i, missing = 0;

    for (i = 0; i < group->count; i++) {
        WatchFolder *folder = &group->list->folders[group->first + i];
        DWORD attributes;

        if (folder->change != INVALID_HANDLE_VALUE || folder->dead)
            continue;
        attributes = GetFileAttributesA(folder->path);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            folder->dead = 1;  // a listed file, not a folder: its parent tells
            continue;
        }
        folder->change = FindFirstChangeNotificationA(folder->path, FALSE, CHANGE_FILTER);
        if (folder->change == INVALID_HANDLE_VALUE) {
            missing = 1;
            continue;
        }
        // It has just come: what is in it has not been seen yet.
        MarkChanged(group->list, folder);
    }
    return missing;
}

// Re-arms every signalled handle of the group before the main loop looks at
// the folders, so that a change made while it copies is not lost.
static void TakeSignals(WatchGroup *group)
{
    int i;

    for (i = 0; i < group->count; i++) {
        WatchFolder *folder = &group->list->folders[group->first + i];

        if (folder->change == INVALID_HANDLE_VALUE || WaitForSingleObject(folder->change, 0) != WAIT_OBJECT_0)
            continue;
        if (!FindNextChangeNotification(folder->change)) {
            // The folder went away: look for it again.
            FindCloseChangeNotification(folder->change);
            folder->change = INVALID_HANDLE_VALUE;
        }
        MarkChanged(group->list, folder);
    }
}

static DWORD WINAPI WatchGroupThread(LPVOID param)
{
    WatchGroup *group = (WatchGroup *)param;
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    DWORD count, i, result;
    int missing;

    for (;;) {
        missing = OpenMissing(group);
        handles[0] = group->list->quit;
        count = 1;
        for (i = 0; i < (DWORD)group->count; i++) {
            if (group->list->folders[group->first + i].change != INVALID_HANDLE_VALUE)
                handles[count++] = group->list->folders[group->first + i].change;
        }
        result = WaitForMultipleObjects(count, handles, FALSE, missing ? RESCAN_MS : INFINITE);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            break;
        if (result != WAIT_TIMEOUT)
            TakeSignals(group);
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
        // A small stack: the thread only waits. Windows 9x needs the id.
        group->thread = CreateThread(NULL, 64 * 1024, WatchGroupThread, group, 0, &id);
        if (group->thread == NULL)
            return 0;
        list->groupCount = i + 1;
    }
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
    }
    for (i = 0; i < list->folderCount; i++) {
        if (list->folders[i].change != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(list->folders[i].change);
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
    DWORD now = GetTickCount();
    int i, any = 0;

    // Taken before the entries are marked: a change signalled meanwhile
    // stays for the next round instead of being cleared unseen.
    for (i = 0; i < list->folderCount; i++)
        list->folders[i].taken = InterlockedExchange(&list->folders[i].changed, 0);
    for (i = 0; i < list->entryCount; i++) {
        WatchEntry *entry = &list->entries[i];

        if ((entry->parent != NO_FOLDER && list->folders[entry->parent].taken) ||
            (entry->self != NO_FOLDER && list->folders[entry->self].taken)) {
            entry->pending = 1;
            entry->retryAt = now;
            any = 1;
        }
    }
    return any;
}
