// The snapshot between the copying thread and the icon's thread. The copying
// thread builds it in its own memory, at most a few times a second, and
// shares it under a lock held only for the copy; the icon's thread is told
// by a posted message, never a sent one, so backing up waits for nobody.
#include "notifier/notifier.h"
#include "notifier/show/show.h"
#include "notifier/show/status.h"
#include "notifier/trouble/trouble.h"

#include <string.h>

#define PUBLISH_EVERY_MS 250

// The copying thread's side.
struct StatusBoard {
    int open;
    DWORD lastPublish;
    int owed;
    int idle;  // the last publish had nothing to copy
    DWORD countedUpTo;  // troubles that began counting by then are known
    char lastCopy[MAX_PATH];  // under the lock: copies are made on several threads
    FILETIME lastCopyAt;
    LONG startedCount;
    char startedPath[MAX_PATH];
    int startedReason;
    int diskState;  // the last publish's
    NotifierStatus *next;
};

static StatusBoard g_board;
// Shared with the icon's thread, under the lock.
static CRITICAL_SECTION g_lock;
static NotifierStatus *g_shared;
static HWND g_window;
static volatile LONG g_told;

NotifierStatus *AllocStatus(void)
{
    return (NotifierStatus *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(NotifierStatus));
}

void FreeStatus(NotifierStatus *status)
{
    if (status != NULL)
        HeapFree(GetProcessHeap(), 0, status);
}

int OpenStatusBoard(void)
{
    g_shared = AllocStatus();
    g_board.next = AllocStatus();
    if (g_shared == NULL || g_board.next == NULL) {
        FreeStatus(g_shared);
        FreeStatus(g_board.next);
        return 0;
    }
    InitializeCriticalSection(&g_lock);
    g_board.lastPublish = GetTickCount() - PUBLISH_EVERY_MS;
    g_board.countedUpTo = GetTickCount() - 1;
    g_board.open = 1;
    return 1;
}

void CloseStatusBoard(void)
{
    if (!g_board.open)
        return;
    g_board.open = 0;
    DeleteCriticalSection(&g_lock);
    FreeStatus(g_shared);
    FreeStatus(g_board.next);
}

void SetStatusWindow(HWND window)
{
    EnterCriticalSection(&g_lock);
    g_window = window;
    LeaveCriticalSection(&g_lock);
    InterlockedExchange(&g_told, 0);
}

void ReadStatus(NotifierStatus *out)
{
    InterlockedExchange(&g_told, 0);
    EnterCriticalSection(&g_lock);
    CopyMemory(out, g_shared, sizeof(*out));
    LeaveCriticalSection(&g_lock);
}

void ReadStatusBackup(char *backup)
{
    EnterCriticalSection(&g_lock);
    lstrcpynA(backup, g_shared->backup, MAX_PATH);
    LeaveCriticalSection(&g_lock);
}

// A trouble counts by the log's rule. Ages, not tick counts, are compared,
// so that wrapped counts do no harm.
static int IsCounted(const FileTrouble *trouble, DWORD now)
{
    return !FindReason(trouble->reason)->saved && !IsWaitingForDisk(trouble->reason) &&
           now - trouble->since >= GetQuietAge(trouble->reason);
}

static void AddRow(NotifierStatus *out, const FileTrouble *trouble)
{
    char shown[LONG_PATH];
    StatusRow *row;

    if (out->rowCount >= STATUS_ROWS)
        return;
    row = &out->rows[out->rowCount++];
    ToDisplayPath(trouble->path, shown, sizeof(shown));
    CopyPathTail(shown, row->path, sizeof(row->path));
    row->reason = trouble->reason;
    row->since = trouble->since;
}

// A trouble that began counting since the last publish is news.
static void NoteIfBegun(const FileTrouble *trouble, DWORD now)
{
    char shown[LONG_PATH];

    if (now - trouble->since - GetQuietAge(trouble->reason) >= now - g_board.countedUpTo)
        return;
    g_board.startedCount++;
    ToDisplayPath(trouble->path, shown, sizeof(shown));
    CopyPathTail(shown, g_board.startedPath, sizeof(g_board.startedPath));
    g_board.startedReason = trouble->reason;
}

static void AddTroubles(NotifierStatus *out, const WatchList *list, DWORD now)
{
    int i;

    for (i = 0; i < list->troubleCount; i++) {
        const FileTrouble *trouble = &list->troubles[i];

        out->waiting += IsWaitingForDisk(trouble->reason);
        if (!IsCounted(trouble, now))
            continue;
        out->troubleCount++;
        if (IsDiskFailure(trouble->reason) && out->diskTrouble != FAIL_NOT_WRITABLE)
            out->diskTrouble = trouble->reason;
        AddRow(out, trouble);
        NoteIfBegun(trouble, now);
    }
    g_board.countedUpTo = now;
}

// The disk gone (away or another) begins one trouble: one balloon.
static void AddDiskState(NotifierStatus *out, const WatchList *list)
{
    GetDiskReport(&out->diskState, &out->diskSince, &out->caughtUp);
    if (out->diskState == DISK_AWAY || out->diskState == DISK_OTHER)
        out->waiting += list->reports.count;
    if (out->diskState != g_board.diskState && (out->diskState == DISK_AWAY || out->diskState == DISK_OTHER)) {
        g_board.startedCount++;
        CopyPathTail(list->backup, g_board.startedPath, sizeof(g_board.startedPath));
        g_board.startedReason = out->diskState == DISK_AWAY ? FAIL_DISK_AWAY : FAIL_OTHER_DISK;
    }
    g_board.diskState = out->diskState;
}

// What waits to be copied: the names the trees reported, the listed files
// whose folders did, the trees to look over, and what is under way.
static void BuildStatus(NotifierStatus *out, const WatchList *list, int busy, DWORD now)
{
    int i;

    ZeroMemory(out, sizeof(*out));
    lstrcpynA(out->backup, list->backup, sizeof(out->backup));
    out->entryCount = list->entryCount;
    out->copying = busy + list->reports.count + list->lookCount;
    for (i = 0; i < list->entryCount; i++) {
        out->fileCount += list->entries[i].files;
        out->copying += list->entries[i].pending != 0;
    }
    AddTroubles(out, list, now);
    AddDiskState(out, list);
    EnterCriticalSection(&g_lock);
    lstrcpynA(out->lastCopy, g_board.lastCopy, sizeof(out->lastCopy));
    out->lastCopyAt = g_board.lastCopyAt;
    LeaveCriticalSection(&g_lock);
    out->startedCount = g_board.startedCount;
    lstrcpynA(out->startedPath, g_board.startedPath, sizeof(out->startedPath));
    out->startedReason = g_board.startedReason;
}

// Shares the built snapshot when it differs from the shared one, and tells
// the icon's window once until it reads it.
static void ShareStatus(NotifierStatus *next)
{
    const size_t skip = sizeof(next->serial);
    HWND window;
    int changed;

    EnterCriticalSection(&g_lock);
    changed = g_shared->serial == 0 ||
              memcmp((BYTE *)next + skip, (BYTE *)g_shared + skip, sizeof(*next) - skip) != 0;
    if (changed) {
        next->serial = g_shared->serial + 1;
        CopyMemory(g_shared, next, sizeof(*next));
    }
    window = g_window;
    LeaveCriticalSection(&g_lock);
    if (changed && window != NULL && InterlockedExchange(&g_told, 1) == 0)
        PostMessageA(window, WM_STATUS_CHANGED, 0, 0);
}

void PublishStatus(const WatchList *list, int busy)
{
    DWORD now = GetTickCount();

    if (!g_board.open)
        return;
    // The start of copying is told at once: one copy may take long. Idle is
    // published under the limit, so this happens a few times a second at most.
    if (now - g_board.lastPublish < PUBLISH_EVERY_MS && !(busy && g_board.idle)) {
        g_board.owed = 1;
        return;
    }
    g_board.lastPublish = now;
    g_board.owed = 0;
    BuildStatus(g_board.next, list, busy, now);
    g_board.idle = g_board.next->copying == 0;
    ShareStatus(g_board.next);
}

// Milliseconds from now until at, or until the next publish is allowed if
// that is later.
static DWORD WaitUntil(DWORD now, DWORD at)
{
    DWORD allowed = g_board.lastPublish + PUBLISH_EVERY_MS;

    if (IsDue(allowed, at))
        at = allowed;
    return IsDue(now, at) ? 0 : at - now;
}

DWORD TimeToNextStatus(const WatchList *list)
{
    DWORD now = GetTickCount(), next = INFINITE, wait;
    int i;

    if (!g_board.open)
        return INFINITE;
    if (g_board.owed)
        next = WaitUntil(now, now);
    // A passing trouble that is about to count is published when it does.
    for (i = 0; i < list->troubleCount; i++) {
        const FileTrouble *trouble = &list->troubles[i];

        if (FindReason(trouble->reason)->saved || IsWaitingForDisk(trouble->reason) || IsCounted(trouble, now))
            continue;
        wait = WaitUntil(now, trouble->since + GetQuietAge(trouble->reason));
        if (wait < next)
            next = wait;
    }
    return next;
}

void NoteCopyMade(const char *source)
{
    char shown[LONG_PATH];

    if (!g_board.open)
        return;
    ToDisplayPath(source, shown, sizeof(shown));
    EnterCriticalSection(&g_lock);
    CopyPathTail(shown, g_board.lastCopy, sizeof(g_board.lastCopy));
    GetSystemTimeAsFileTime(&g_board.lastCopyAt);
    LeaveCriticalSection(&g_lock);
}
