// The notifier's start and end: holds the stop event, tells an older
// notifier to leave the work to it, waits until that one has ended, then
// watches and copies the backup list.
#include "notifier/notifier.h"

#include "app/program.h"
#include "store/reg_value.h"
#include "store/settings_read.h"

// Waits, reading messages, until the mutex is ours (or left by a notifier
// that died); 0 when told to quit meanwhile.
static int WaitForTurn(HANDLE running)
{
    MSG msg;
    DWORD result;

    for (;;) {
        result = MsgWaitForMultipleObjects(1, &running, FALSE, INFINITE, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0)
            return 1;
        if (result != WAIT_OBJECT_0 + 1)
            return 0;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return 0;
            DispatchMessageA(&msg);
        }
    }
}

// The number of the newest notifier, shared by all of them; NULL when the
// system refuses the shared memory.
static volatile LONG *OpenNewest(HANDLE *mapping)
{
    *mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(LONG), NEWEST_NOTIFIER_NAME);
    if (*mapping == NULL)
        return NULL;
    return (volatile LONG *)MapViewOfFile(*mapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG));
}

static int HasListEntries(void)
{
    char text[MAX_PATH];

    return ReadListItem(0, text);
}

// Once our turn has come: ends unless we are still the newest. The event is
// cleared before the number is read, so a newer notifier either shows in
// the number or signals the event again afterwards.
static int IsStillNewest(HANDLE takeover, volatile LONG *newest, LONG mine)
{
    ResetEvent(takeover);
    return *newest == mine;
}

static void WatchAndCopy(HANDLE stop, HANDLE takeover)
{
    WatchList list;

    // Settings are read only now, so the last notifier started works from
    // the last settings stored.
    LoadWatchList(&list);
    if (StartWatching(&list)) {
        WriteLog("Started: %d entries, %d folders watched.", list.entryCount, list.folderCount);
        RunNotifier(&list, stop, takeover);
    }
    StopWatching(&list);
    FreeWatchList(&list);
    WriteLog("Stopped.");
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    HANDLE stop, running, takeover, mapping;
    volatile LONG *newest;
    LONG mine;
    MSG msg;

    (void)hInstance;
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;
    // Nobody sits before a background program: no "insert a disk" box for
    // an empty drive, no box from the registry reads.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetRegistryErrorsQuiet(1);
    // Reading the queue at once tells whoever started us that we are idle.
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    if (!HasListEntries())
        return 0;
    // Auto-reset: one signal stops one notifier.
    stop = CreateEventA(NULL, FALSE, FALSE, STOP_EVENT_NAME);
    takeover = CreateEventA(NULL, TRUE, FALSE, TAKEOVER_EVENT_NAME);
    newest = OpenNewest(&mapping);
    // One notifier works at a time: the newest waits until the one before
    // has ended.
    running = CreateMutexA(NULL, FALSE, NOTIFIER_MUTEX_NAME);
    if (stop == NULL || takeover == NULL || newest == NULL || running == NULL)
        return 1;
    // A stop signalled before our start was meant for an older notifier,
    // which the takeover ends anyway; one signalled from now on is ours.
    ResetEvent(stop);
    mine = InterlockedIncrement((LONG *)newest);
    SetEvent(takeover);
    if (!WaitForTurn(running))
        return 1;
    if (IsStillNewest(takeover, newest, mine))
        WatchAndCopy(stop, takeover);
    ReleaseMutex(running);
    CloseHandle(running);
    UnmapViewOfFile((LPCVOID)newest);
    CloseHandle(mapping);
    CloseHandle(takeover);
    CloseHandle(stop);
    return 0;
}
