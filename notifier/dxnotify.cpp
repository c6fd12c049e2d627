// The notifier's start and end: holds the stop event, waits until a
// previous notifier has ended, then watches and copies the backup list.
#include "notifier/notifier.h"

#include "app/program.h"

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

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    HANDLE stop, running;
    WatchList list;
    MSG msg;

    (void)hInstance;
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;
    // Reading the queue at once tells whoever started us that we are idle.
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    // Auto-reset: one signal stops one notifier.
    stop = CreateEventA(NULL, FALSE, FALSE, STOP_EVENT_NAME);
    if (stop == NULL)
        return 1;
    // The settings program signals and starts the next notifier at once. We
    // must not wait on the event before the previous notifier has taken that
    // signal and ended, or we would take it and the old one would stay.
    running = CreateMutexA(NULL, FALSE, NOTIFIER_MUTEX_NAME);
    if (running == NULL || !WaitForTurn(running)) {
        CloseHandle(stop);
        return 1;
    }
    // Settings are read only now, so the last notifier started works from
    // the last settings stored.
    LoadWatchList(&list);
    if (StartWatching(&list))
        RunNotifier(&list, stop);
    StopWatching(&list);
    FreeWatchList(&list);
    ReleaseMutex(running);
    CloseHandle(running);
    CloseHandle(stop);
    return 0;
}
