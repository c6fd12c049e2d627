// What the settings program does with the notifier: find, stop and start it.
#include "app/program.h"

#include <shellapi.h>
#include <string.h>

int GetProgramFolder(char *folder, int size)
{
    char path[MAX_PATH] = "";
    DWORD len;
    char *slash;

    if (folder == NULL || size <= 0)
        return 0;
    folder[0] = '\0';
    // A result of the full buffer size means the path was cut (and, on
    // older systems, left unterminated): treat it as unusable.
    len = GetModuleFileNameA(NULL, path, sizeof(path));
    if (len == 0 || len >= sizeof(path))
        return 0;
    slash = strrchr(path, '\\');
    if (slash == NULL)
        return 0;
    *slash = '\0';
    if ((int)(slash - path) >= size)
        return 0;
    lstrcpynA(folder, path, size);
    return 1;
}

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
    size_t len;

    if (!GetProgramFolder(folder, sizeof(folder)))
        return;
    // A folder too long for the notifier's name is refused rather than cut:
    // a cut name could start some other program.
    len = strlen(folder);
    if (len + 1 + strlen(NOTIFIER_FILE) >= sizeof(file))
        return;
    memcpy(file, folder, len);
    file[len] = '\\';
    lstrcpynA(file + len + 1, NOTIFIER_FILE, (int)(sizeof(file) - len - 1));
    ShellExecuteA(NULL, NULL, file, NULL, folder, SW_SHOWNORMAL);
}
