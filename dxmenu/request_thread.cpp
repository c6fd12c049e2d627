// The worker threads that send a command's requests, so that Explorer's call
// returns at once. Batches take turns, one request at a time, and each holds
// the DLL: a lock for DllCanUnloadNow and a reference of its own, dropped as
// the thread exits, so no code of the DLL runs after it could be unloaded.
// Without that reference no worker starts: its last instructions would run
// after the lock is gone, in a DLL the shell may have unloaded by then.
#include "dxmenu/requests.h"
#include "dxmenu/server.h"

#include <string.h>

struct Batch {
    DWORD code;
    HWND sender;
    HMODULE self;
    int count;
    int skipped;  // selected, but no request can carry them
    RequestPath paths[1];
};

static CRITICAL_SECTION g_turn;

void InitRequestThreads(void)
{
    InitializeCriticalSection(&g_turn);
}

void EndRequestThreads(void)
{
    DeleteCriticalSection(&g_turn);
}

static DWORD WINAPI RunBatch(LPVOID param)
{
    Batch *batch = (Batch *)param;
    HMODULE self = batch->self;
    int why = 0;
    int sent;

    EnterCriticalSection(&g_turn);
    sent = SendRequests(batch->code, batch->paths, batch->count, batch->sender, &why);
    LeaveCriticalSection(&g_turn);
    // Outside the turn: the box waits for the user, later commands need not.
    if (sent < batch->count || batch->skipped > 0)
        ShowUnsentNotice(batch->code, batch->count - sent + batch->skipped, batch->count + batch->skipped,
                         sent < batch->count ? why : 0, batch->skipped);
    HeapFree(GetProcessHeap(), 0, batch);
    CountLock(-1);
    FreeLibraryAndExitThread(self, 0);
    return 0;
}

static Batch *DuplicateBatch(DWORD code, const RequestPath *paths, int count, HWND sender)
{
    SIZE_T size = sizeof(Batch) + (SIZE_T)(count - 1) * sizeof(RequestPath);
    Batch *batch = (Batch *)HeapAlloc(GetProcessHeap(), 0, size);

    if (batch == NULL)
        return NULL;
    batch->code = code;
    batch->sender = sender;
    batch->count = count;
    memcpy(batch->paths, paths, (SIZE_T)count * sizeof(RequestPath));
    return batch;
}

int StartRequests(DWORD code, const RequestPath *paths, int count, int skipped, HWND sender)
{
    Batch *batch;
    HANDLE thread;
    DWORD id;

    if (paths == NULL || count <= 0 || (SIZE_T)count > ((SIZE_T)-1 - sizeof(Batch)) / sizeof(RequestPath))
        return 0;
    batch = DuplicateBatch(code, paths, count, sender);
    if (batch == NULL)
        return 0;
    batch->skipped = skipped;
    // Taken before the thread starts: the shell may ask to unload the DLL
    // the moment this call returns. Without it the command fails: sending
    // on Explorer's own thread instead could hold Explorer for minutes.
    batch->self = ReferenceSelf();
    if (batch->self == NULL) {
        HeapFree(GetProcessHeap(), 0, batch);
        return 0;
    }
    CountLock(1);
    thread = CreateThread(NULL, 0, RunBatch, batch, 0, &id);
    if (thread == NULL) {
        CountLock(-1);
        FreeLibrary(batch->self);
        HeapFree(GetProcessHeap(), 0, batch);
        return 0;
    }
    CloseHandle(thread);
    return 1;
}
