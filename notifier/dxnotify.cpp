// The notifier's least part: holds the stop event until the settings program
// signals it. Watching and copying the backup list come later.
#include <windows.h>

#define STOP_EVENT_NAME "myVELTDuplixEventStopWaiting"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    HANDLE hStop;

    (void)hInstance;
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;
    // Auto-reset: one signal stops one notifier, and a new notifier that
    // opens the event while the old one is still ending does not see the
    // signal that was meant for the old one.
    hStop = CreateEventA(NULL, FALSE, FALSE, STOP_EVENT_NAME);
    if (hStop == NULL)
        return 1;
    WaitForSingleObject(hStop, INFINITE);
    CloseHandle(hStop);
    return 0;
}
