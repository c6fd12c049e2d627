// What the settings program does with the notifier: stop and start it.
#include "app/program.h"

#include <shellapi.h>

void SignalStopEvent(void)
{
    HANDLE hEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, STOP_EVENT_NAME);

    if (hEvent == NULL)
        return;
    SetEvent(hEvent);
    CloseHandle(hEvent);
}

void LaunchNotifier(void)
{
    char folder[MAX_PATH] = "";
    char file[MAX_PATH] = "";

    // A folder too long for the notifier's name gives no name at all.
    if (!GetProgramFolder(folder, sizeof(folder)) || !GetCompanionPath(NOTIFIER_FILE, file))
        return;
    ShellExecuteA(NULL, NULL, file, NULL, folder, SW_SHOWNORMAL);
}
