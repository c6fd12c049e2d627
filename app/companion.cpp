// What the programs do with each other: stop the notifier, start one of them.
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

void LaunchCompanion(const char *file)
{
    char folder[MAX_PATH] = "";
    char path[MAX_PATH] = "";

    // A folder too long for the program's name gives no name at all.
    if (!GetProgramFolder(folder, sizeof(folder)) || !GetCompanionPath(file, path))
        return;
    ShellExecuteA(NULL, NULL, path, NULL, folder, SW_SHOWNORMAL);
}

void LaunchNotifier(void)
{
    LaunchCompanion(NOTIFIER_FILE);
}
