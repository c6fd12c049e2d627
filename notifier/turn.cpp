// One notifier at a time, and the newest started: a starting notifier tells
// the running one to leave the work to it, waits until that one has ended,
// and ends itself on the stop event, when a newer one has started, or when
// the user stops it. Whether to end is decided here and nowhere else.
#include "notifier/notifier.h"

#include "store/settings_read.h"

// Between two looks at the signals while copying or pruning: far under the
// second within which a signalled notifier ends, far over their cost.
#define LOOK_EVERY_MS 20

static HANDLE g_ends[END_HANDLE_COUNT]; // stop, takeover, the user's stop
static HANDLE g_running, g_mapping;
static volatile LONG *g_newest;
static LONG g_mine;
static int g_ended;
static DWORD g_lastLook;

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
    *mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(LONG), NEWEST_NOTIFIER_NAME);
    if (*mapping == NULL)
        return NULL;
    return (volatile LONG *)MapViewOfFile(*mapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG));
}

static int HasListEntries(void)
{
    char text[MAX_PATH];

    return ReadListItem(0, text);
}

// On a takeover signal: ends unless we are still the newest. The event is
// cleared before the number is read, so a newer notifier either shows in
// the number or signals the event again afterwards; an older one that
// signalled late is no reason to end.
static int IsStillNewest(void)
{
    ResetEvent(g_ends[1]);
    return *g_newest == g_mine;
}

int BeginTurn(void)
{
    int stale;

    if (!HasListEntries())
        return 0;
    // Auto-reset: one signal stops one notifier.
    g_ends[0] = CreateEventA(NULL, FALSE, FALSE, STOP_EVENT_NAME);
    stale = g_ends[0] != NULL && GetLastError() == ERROR_ALREADY_EXISTS;
    g_ends[1] = CreateEventA(NULL, TRUE, FALSE, TAKEOVER_EVENT_NAME);
    g_ends[2] = CreateEventA(NULL, TRUE, FALSE, NULL);
    g_newest = OpenNewest(&g_mapping);
    // The newest waits until the one before has ended.
    g_running = CreateMutexA(NULL, FALSE, NOTIFIER_MUTEX_NAME);
    if (g_ends[0] == NULL || g_ends[1] == NULL || g_ends[2] == NULL || g_newest == NULL || g_running == NULL)
        return 0;
    // A stop signalled before our start was meant for an older notifier,
    // which the takeover ends anyway; one signalled from now on is ours.
    // An event made here holds no such signal: one set since it exists was
    // meant for us and is kept.
    if (stale)
        ResetEvent(g_ends[0]);
    g_mine = InterlockedIncrement((LONG *)g_newest);
    SetEvent(g_ends[1]);
    if (!WaitForTurn(g_running)) {
        CloseHandle(g_running);
        g_running = NULL;
        return 0;
    }
    return IsStillNewest();
}

void EndTurn(void)
{
    int i;

    if (g_running != NULL) {
        ReleaseMutex(g_running);
        CloseHandle(g_running);
    }
    if (g_newest != NULL)
        UnmapViewOfFile((LPCVOID)g_newest);
    if (g_mapping != NULL)
        CloseHandle(g_mapping);
    for (i = 0; i < END_HANDLE_COUNT; i++) {
        if (g_ends[i] != NULL)
            CloseHandle(g_ends[i]);
    }
}

const HANDLE *GetEndHandles(void)
{
    return g_ends;
}

int MustEndAfterWait(int signalled)
{
    // The wait itself has taken the stop event's one signal.
    if (signalled == 0)
        g_ended = 1;
    else if (signalled == 1 && !IsStillNewest())
        g_ended = 1;
    else if (signalled == 2)
        g_ended = 1;
    g_lastLook = GetTickCount();
    return g_ended;
}

int MustEnd(void)
{
    DWORD now = GetTickCount();

    if (g_ended || now - g_lastLook < LOOK_EVERY_MS)
        return g_ended;
    g_lastLook = now;
    if (IsSignalled(g_ends[0]) || IsSignalled(g_ends[2]) || (IsSignalled(g_ends[1]) && !IsStillNewest()))
        g_ended = 1;
    return g_ended;
}

void AskToEnd(void)
{
    if (g_ends[2] != NULL)
        SetEvent(g_ends[2]);
}
