// Emptied slots are removed on a thread of their own: last month's day slot
// may hold tens of thousands of names, and neither a save nor a newer
// notifier waits for them. The copying thread renames a slot aside (a
// moment's work) and hands the aside folder over; what is left when the
// notifier ends is handed over again by the next prune.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"
#include "notifier/copy/copy_internal.h"

// More than the rings have slots: every slot can wait at once.
#define MOST_ASIDE 128
// Far over the time one name takes to remove.
#define STOP_WAIT_MS 5000

static struct {
    HANDLE thread, work;
    CRITICAL_SECTION lock;
    char *paths[MOST_ASIDE]; // the first is under removal
    int count;
    volatile LONG quit;
} g_remover;

static int MustStopRemoving(void)
{
    return g_remover.quit != 0;
}

// The first waiting path, copied out; 0 when none waits.
static int PeekAside(char *path)
{
    int found;

    EnterCriticalSection(&g_remover.lock);
    found = g_remover.count > 0;
    if (found)
        lstrcpynA(path, g_remover.paths[0], LONG_PATH);
    LeaveCriticalSection(&g_remover.lock);
    return found;
}

static void DropFirstAside(void)
{
    EnterCriticalSection(&g_remover.lock);
    HeapFree(GetProcessHeap(), 0, g_remover.paths[0]);
    g_remover.count--;
    MoveMemory(&g_remover.paths[0], &g_remover.paths[1], g_remover.count * sizeof(char *));
    LeaveCriticalSection(&g_remover.lock);
}

static DWORD WINAPI RemoveAsideSlots(void *unused)
{
    char path[LONG_PATH];

    (void)unused;
    while (!MustStopRemoving()) {
        if (!PeekAside(path)) {
            WaitForSingleObject(g_remover.work, INFINITE);
            continue;
        }
        if (!RemoveTree(path, MustStopRemoving))
            break;
        DropFirstAside();
    }
    return 0;
}

static int StartRemover(void)
{
    DWORD id;

    if (g_remover.thread != NULL)
        return 1;
    g_remover.quit = 0;
    InitializeCriticalSection(&g_remover.lock);
    g_remover.work = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (g_remover.work == NULL) {
        DeleteCriticalSection(&g_remover.lock);
        return 0;
    }
    // Windows 9x needs the id.
    g_remover.thread = CreateThread(NULL, 0, RemoveAsideSlots, NULL, 0, &id);
    if (g_remover.thread != NULL)
        return 1;
    CloseHandle(g_remover.work);
    DeleteCriticalSection(&g_remover.lock);
    return 0;
}

static int IsHanded(const char *aside)
{
    int i;

    for (i = 0; i < g_remover.count; i++) {
        if (lstrcmpiA(g_remover.paths[i], aside) == 0)
            return 1;
    }
    return 0;
}

int HandSlotAside(const char *aside)
{
    char *copy;
    int handed;

    if (!StartRemover())
        return 0;
    EnterCriticalSection(&g_remover.lock);
    handed = IsHanded(aside);
    if (!handed && g_remover.count < MOST_ASIDE && (copy = CopyText(aside)) != NULL) {
        g_remover.paths[g_remover.count++] = copy;
        handed = 1;
    }
    LeaveCriticalSection(&g_remover.lock);
    if (handed)
        SetEvent(g_remover.work);
    return handed;
}

void StopSlotRemover(void)
{
    if (g_remover.thread == NULL)
        return;
    InterlockedExchange(&g_remover.quit, 1);
    SetEvent(g_remover.work);
    // A name on a share gone away may hang in the system: the thread is
    // left to the process's end rather than waited for.
    if (WaitForSingleObject(g_remover.thread, STOP_WAIT_MS) != WAIT_OBJECT_0)
        return;
    CloseHandle(g_remover.thread);
    CloseHandle(g_remover.work);
    g_remover.thread = NULL;
    while (g_remover.count > 0)
        DropFirstAside();
    DeleteCriticalSection(&g_remover.lock);
}
