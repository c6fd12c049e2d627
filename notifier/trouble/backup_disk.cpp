// The backup disk as one state of the notifier. A thread of its own looks
// at the backup path every few seconds, and at once when asked (a copy
// failed on the disk, the system announced a volume): a share gone away
// may take long to answer, and the copying thread never waits for it.
// While the disk is away or another disk, no copy is tried: each change
// is only noted, and copied once the disk is back.
#include "notifier/notifier.h"
#include "notifier/trouble/trouble.h"

// While it is there, a failed copy has it looked at too; while it is not,
// its return is what is waited for.
#define LOOK_EVERY_MS 3000
#define LOOK_AWAY_EVERY_MS 2000

static struct {
    char backup[MAX_PATH];
    HANDLE thread, quit, now, wake;
    volatile LONG answer;  // the thread's latest DISK_ answer
    volatile LONG asked;   // looks asked for since the start
    volatile LONG answered; // of those, the ones the latest answer follows
    int state;             // the copying thread's: the answer taken
    FILETIME since;        // when state began
    int goneUnrecorded;    // deletions to record once it is back
    int catching;          // a catch-up is under way
    int caught;            // files it copied so far
    int caughtUp;          // the last catch-up's files, for the status
    CRITICAL_SECTION lock;
} g_disk;

static DWORD WINAPI WatchDisk(void *unused)
{
    HANDLE handles[2];
    LONG answer, asked;
    DWORD every;

    (void)unused;
    handles[0] = g_disk.quit;
    handles[1] = g_disk.now;
    do {
        asked = g_disk.asked;
        answer = LookAtBackupDisk(g_disk.backup);
        // A look that was asked for wakes the loop even when the answer
        // stays: what waited for it goes on.
        if (InterlockedExchange(&g_disk.answer, answer) != answer ||
            InterlockedExchange(&g_disk.answered, asked) != asked)
            SetEvent(g_disk.wake);
        every = answer == DISK_THERE ? LOOK_EVERY_MS : LOOK_AWAY_EVERY_MS;
    } while (WaitForMultipleObjects(2, handles, FALSE, every) != WAIT_OBJECT_0);
    return 0;
}

int StartDiskWatch(WatchList *list)
{
    DWORD id;

    InitializeCriticalSection(&g_disk.lock);
    lstrcpynA(g_disk.backup, list->backup, sizeof(g_disk.backup));
    // Its own handle: a look hung on a share may outlast the watching's.
    if (!DuplicateHandle(GetCurrentProcess(), list->wake, GetCurrentProcess(), &g_disk.wake, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return 0;
    g_disk.quit = CreateEventA(NULL, TRUE, FALSE, NULL);
    g_disk.now = CreateEventA(NULL, FALSE, FALSE, NULL);
    GetSystemTimeAsFileTime(&g_disk.since);
    if (g_disk.quit == NULL || g_disk.now == NULL)
        return 0;
    g_disk.thread = CreateThread(NULL, 0, WatchDisk, NULL, 0, &id);
    return g_disk.thread != NULL;
}

void StopDiskWatch(void)
{
    if (g_disk.thread != NULL) {
        SetEvent(g_disk.quit);
        // A look at a share gone away may hang in the system: not waited for long.
        WaitForSingleObject(g_disk.thread, LOOK_EVERY_MS);
        CloseHandle(g_disk.thread);
        g_disk.thread = NULL;
    }
}

void CheckDiskNow(void)
{
    if (g_disk.now == NULL)
        return;
    InterlockedIncrement(&g_disk.asked);
    SetEvent(g_disk.now);
}

int IsDiskReady(void)
{
    // A look asked for and not yet answered is a doubt: nothing is tried
    // on the disk until it is answered.
    return g_disk.state == DISK_THERE && g_disk.answer == DISK_THERE && g_disk.answered == g_disk.asked;
}

int IsDiskKnown(void)
{
    return g_disk.state != DISK_UNKNOWN;
}

int GetDiskWaitReason(void)
{
    return g_disk.state == DISK_OTHER || g_disk.answer == DISK_OTHER ? FAIL_OTHER_DISK : FAIL_DISK_AWAY;
}

void NoteGoneUnrecorded(void)
{
    g_disk.goneUnrecorded = 1;
}

// The troubles of the disk (full, refused, away) become files that wait:
// they are copied with the rest once it is back.
static void TurnToWaiting(WatchList *list, int reason)
{
    int i;

    for (i = 0; i < list->troubleCount; i++) {
        if (IsDiskFailure(list->troubles[i].reason))
            list->troubles[i].reason = reason;
    }
}

static void MarkEntriesPending(WatchList *list)
{
    int i;

    for (i = 0; i < list->entryCount; i++)
        list->entries[i].pending = 1;
}

static void TellGone(WatchList *list, int state)
{
    TurnToWaiting(list, state == DISK_AWAY ? FAIL_DISK_AWAY : FAIL_OTHER_DISK);
    // Its lines go to the temporary folder meanwhile: a share gone away
    // may take long to refuse them.
    OpenLog("");
    if (state == DISK_AWAY)
        WriteLog("The backup disk is not there: %s. Changes wait for it.", list->backup);
    else
        WriteLog("The backup disk is not the one that holds the copies: %s. Changes wait for it; OK in the "
                 "settings starts a new backup there.",
                 list->backup);
}

static void TellBack(WatchList *list)
{
    // The first answer at the start is no news; a return is.
    if (g_disk.state != DISK_UNKNOWN) {
        OpenLog(list->backup);
        WriteLog("The backup disk is back: %s.", list->backup);
    }
    g_disk.catching = HasWaitingFiles(list);
    g_disk.caught = 0;
    // Deletions made meanwhile are found by a look, as at a start.
    if (g_disk.goneUnrecorded)
        MarkEntriesPending(list);
    g_disk.goneUnrecorded = 0;
}

void TakeDiskState(WatchList *list)
{
    int answer = (int)g_disk.answer;

    if (answer == g_disk.state || answer == DISK_UNKNOWN)
        return;
    if (answer == DISK_THERE)
        TellBack(list);
    else
        TellGone(list, answer);
    EnterCriticalSection(&g_disk.lock);
    g_disk.state = answer;
    GetSystemTimeAsFileTime(&g_disk.since);
    LeaveCriticalSection(&g_disk.lock);
}

void NoteCaughtUp(int files)
{
    g_disk.caught += files;
}

void EndCatchUp(const WatchList *list)
{
    if (!g_disk.catching || HasWaitingFiles(list))
        return;
    g_disk.catching = 0;
    WriteLog("Caught up %d %s.", g_disk.caught, g_disk.caught == 1 ? "file" : "files");
    EnterCriticalSection(&g_disk.lock);
    g_disk.caughtUp = g_disk.caught;
    LeaveCriticalSection(&g_disk.lock);
}

void GetDiskReport(int *state, FILETIME *since, int *caughtUp)
{
    if (g_disk.thread == NULL) {
        *state = DISK_UNKNOWN;
        *caughtUp = 0;
        ZeroMemory(since, sizeof(*since));
        return;
    }
    EnterCriticalSection(&g_disk.lock);
    *state = g_disk.state;
    *since = g_disk.since;
    *caughtUp = g_disk.caughtUp;
    LeaveCriticalSection(&g_disk.lock);
}
