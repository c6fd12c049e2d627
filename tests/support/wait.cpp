// Bounded waits that keep the calling thread's messages flowing.
#include "support/wait.h"

void PumpPending(void)
{
    MSG msg;

    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()> &done, DWORD boundMs)
{
    DWORD start = GetTickCount();

    for (;;) {
        PumpPending();
        if (done())
            return true;
        if (GetTickCount() - start >= boundMs)
            return false;
        // Wake for the next message, or re-test the condition soon: some
        // conditions (another process's window) send us nothing.
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

bool PumpUntilSignalled(HANDLE handle, DWORD boundMs)
{
    return PumpUntil([handle] { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }, boundMs);
}

HWND WaitForTopWindow(const char *className, const char *title, DWORD boundMs)
{
    HWND found = NULL;

    PumpUntil([&] { return (found = FindWindowA(className, title)) != NULL; }, boundMs);
    return found;
}
