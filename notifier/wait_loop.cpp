// The notifier's loop: copy what is pending, then sleep until the stop
// event, a watched folder, a message, a retry or the rings' pruning is due.
#include "notifier/notifier.h"

#define PRUNE_MS 60000
#define FIRST_RETRY_MS 100
#define LAST_RETRY_MS 2000

static int IsDue(DWORD now, DWORD at)
{
    return (LONG)(now - at) >= 0;
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

static void ScheduleRetry(WatchEntry *entry)
{
    if (entry->retryDelay == 0)
        entry->retryDelay = FIRST_RETRY_MS;
    else if (entry->retryDelay < LAST_RETRY_MS)
        entry->retryDelay = entry->retryDelay * 2 < LAST_RETRY_MS ? entry->retryDelay * 2 : LAST_RETRY_MS;
    entry->retryAt = GetTickCount() + entry->retryDelay;
}

// Backs up the pending entries that are due; 0 when the notifier must end.
static int BackUpPending(WatchList *list, HANDLE stop)
{
    int i, result;

    for (i = 0; i < list->entryCount; i++) {
        WatchEntry *entry = &list->entries[i];

        if (!entry->pending || !IsDue(GetTickCount(), entry->retryAt))
            continue;
        result = BackUpEntry(list->backup, entry->path, stop);
        if (result == COPY_STOPPED)
            return 0;
        if (result == COPY_RETRY) {
            ScheduleRetry(entry);
        } else {
            entry->pending = 0;
            entry->retryDelay = 0;
        }
        if (!PumpMessages() || WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
            return 0;
    }
    return 1;
}

static DWORD NextTimeout(const WatchList *list, DWORD nextPrune)
{
    DWORD now = GetTickCount();
    DWORD timeout = IsDue(now, nextPrune) ? 0 : nextPrune - now;
    int i;

    for (i = 0; i < list->entryCount; i++) {
        const WatchEntry *entry = &list->entries[i];

        if (!entry->pending)
            continue;
        if (IsDue(now, entry->retryAt))
            return 0;
        if (entry->retryAt - now < timeout)
            timeout = entry->retryAt - now;
    }
    return timeout;
}

void RunNotifier(WatchList *list, HANDLE stop)
{
    HANDLE handles[2] = {stop, list->wake};
    DWORD nextPrune = GetTickCount();
    FILETIME now;
    DWORD result;

    for (;;) {
        CollectChanges(list);
        if (!BackUpPending(list, stop))
            return;
        if (IsDue(GetTickCount(), nextPrune)) {
            GetSystemTimeAsFileTime(&now);
            PruneRings(list->backup, &now);
            nextPrune = GetTickCount() + PRUNE_MS;
        }
        result = MsgWaitForMultipleObjects(2, handles, FALSE, NextTimeout(list, nextPrune), QS_ALLINPUT);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            return;
        if (result == WAIT_OBJECT_0 + 2 && !PumpMessages())
            return;
    }
}
