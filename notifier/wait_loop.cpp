// The notifier's loop: copy what is pending, reported changes first, then
// sleep until it must end, a watched folder changed, a message came, or a
// retry or the rings' pruning is due.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"
#include "notifier/show/show.h"
#include "notifier/trouble/trouble.h"
#include "notifier/watch/watch.h"

#define PRUNE_MS 60000
// The deletion record drops its old entries once a day too (and whenever
// an append finds it past its size).
#define TRIM_MS (24 * 3600 * 1000UL)
#define TICKS_PER_MS 10000LL

// How far the clock has been set forward while we ran: a slot made before
// that is younger than the clock says, and is pruned that much later.
struct ClockWatch {
    FILETIME lastTime;
    DWORD lastTick;
    LONGLONG ahead;  // in 100-ns ticks, never below 0
};

static void StartClockWatch(ClockWatch *clock)
{
    GetSystemTimeAsFileTime(&clock->lastTime);
    clock->lastTick = GetTickCount();
    clock->ahead = 0;
}

// Prunes the rings at the time the clock would show had nobody set it
// forward; a clock set back only keeps slots longer.
static int PruneBySteadyClock(const WatchList *list, ClockWatch *clock)
{
    FILETIME now, steady;
    DWORD tick = GetTickCount();
    LONGLONG jump, at;

    GetSystemTimeAsFileTime(&now);
    jump = (LONGLONG)(ToTicks(&now) - ToTicks(&clock->lastTime)) - (LONGLONG)(tick - clock->lastTick) * TICKS_PER_MS;
    clock->ahead = clock->ahead + jump > 0 ? clock->ahead + jump : 0;
    clock->lastTime = now;
    clock->lastTick = tick;
    at = (LONGLONG)ToTicks(&now) - clock->ahead;
    steady.dwLowDateTime = (DWORD)at;
    steady.dwHighDateTime = (DWORD)((ULONGLONG)at >> 32);
    return PruneRings(list->backup, &steady);
}

// Reads the message queue empty, so that nobody waiting for this program to
// be idle (the shell's "working in background" pointer) waits for nothing.
// 0 when asked to quit.
static int PumpMessages(void)
{
    MSG msg;

    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return 0;
        DispatchMessageA(&msg);
    }
    return 1;
}

// The next entry to look at: one whose folder reported a change before
// those that the start looks over; -1 when none is pending.
static int NextPending(const WatchList *list)
{
    int i, found = -1;

    for (i = 0; i < list->entryCount; i++) {
        if (!list->entries[i].pending)
            continue;
        if (list->entries[i].reported)
            return i;
        if (found < 0)
            found = i;
    }
    return found;
}

// Backs up what is pending: the names the trees reported first, then the
// listed files whose folders reported a change, then the trees to look
// over; 0 when the notifier must end.
static int BackUpPending(WatchList *list)
{
    int i;

    for (;;) {
        // Nothing is done before the first look at the backup disk.
        TakeDiskState(list);
        if (!IsDiskKnown())
            return 1;
        // It takes the folders' changes too, and copies what they reported.
        if (ServeReported(list) == COPY_STOPPED)
            return 0;
        i = NextPending(list);
        if (IsDiskReady() && HasWaitingFiles(list)) {
            // What waited for the disk, a batch at a time: reports go first.
            PublishStatus(list, 1);
            if (CatchUpWaiting(list) == COPY_STOPPED)
                return 0;
        } else if (i >= 0) {
            // Cleared first: a change reported while it is copied marks it again.
            list->entries[i].pending = 0;
            list->entries[i].reported = 0;
            PublishStatus(list, 1);
            if (BackUpEntry(list, &list->entries[i]) == COPY_STOPPED)
                return 0;
        } else if (list->lookCount > 0 && IsDiskReady()) {
            PublishStatus(list, 1);
            if (LookOverTrees(list) == COPY_STOPPED)
                return 0;
        } else if (!HasReports(&list->reports)) {
            return 1;
        }
        if (!PumpMessages() || MustEnd())
            return 0;
    }
}

static DWORD NextTimeout(const WatchList *list, DWORD nextPrune)
{
    DWORD now = GetTickCount();
    DWORD timeout = IsDue(now, nextPrune) ? 0 : nextPrune - now;
    DWORD retry = TimeToNextRetry(list);
    DWORD status = TimeToNextStatus(list);

    timeout = status < timeout ? status : timeout;
    return retry < timeout ? retry : timeout;
}

static void WatchAndBackUp(WatchList *list);

void RunNotifier(WatchList *list)
{
    WatchAndBackUp(list);
    StopCopyWorkers();
    StopSlotRemover();
}

static void WatchAndBackUp(WatchList *list)
{
    HANDLE handles[END_HANDLE_COUNT + 1];
    DWORD nextPrune = GetTickCount(), nextTrim = nextPrune;
    ClockWatch clock;
    DWORD result;

    CopyMemory(handles, GetEndHandles(), END_HANDLE_COUNT * sizeof(HANDLE));
    handles[END_HANDLE_COUNT] = list->wake;
    StartClockWatch(&clock);
    for (;;) {
        if (!BackUpPending(list))
            return;
        if (IsDiskKnown())
            LogStart(list);
        if (RetryDueFiles(list) == COPY_STOPPED)
            return;
        // Away, the rings wait with the rest: the prune comes a minute on.
        if (IsDue(GetTickCount(), nextPrune) && !IsDiskReady())
            nextPrune = GetTickCount() + PRUNE_MS;
        if (IsDue(GetTickCount(), nextPrune)) {
            if (!PruneBySteadyClock(list, &clock))
                return;
            nextPrune = GetTickCount() + PRUNE_MS;
            if (IsDue(GetTickCount(), nextTrim)) {
                TrimDeletionRecord(list);
                nextTrim = GetTickCount() + TRIM_MS;
            }
        }
        PublishStatus(list, 0);
        // The stop event comes first: when several are set, the settings
        // program's signal is the one taken.
        result = MsgWaitForMultipleObjects(END_HANDLE_COUNT + 1, handles, FALSE, NextTimeout(list, nextPrune),
                                           QS_ALLINPUT);
        if (result == WAIT_FAILED)
            return;
        if (result < WAIT_OBJECT_0 + END_HANDLE_COUNT && MustEndAfterWait((int)(result - WAIT_OBJECT_0)))
            return;
        if (result == WAIT_OBJECT_0 + END_HANDLE_COUNT + 1 && !PumpMessages())
            return;
    }
}
