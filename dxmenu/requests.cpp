// Requests to the settings window: find it, or start the settings program
// beside this DLL and wait for its window, then send one WM_COPYDATA per
// path. Every wait is bounded; the batch as a whole is not, since a window
// that answers each request in time gets them all, however many there are.
#include "dxmenu/requests.h"
#include "dxmenu/server.h"

#include "app/program.h"

// How long a freshly started settings program may take to show its window,
// and how often to look for it meanwhile.
static const DWORD START_BOUND_MS = 10000;
static const DWORD POLL_MS = 50;
// How long one request may take; a window in a modal loop of its own still
// answers sent messages, so only a hung program reaches this.
static const UINT SEND_BOUND_MS = 5000;

// The settings window once its dialog is shown (its list is loaded by then).
static HWND FindShownSettingsWindow(void)
{
    HWND hwnd = FindWindowA(NULL, SETTINGS_TITLE);

    return (hwnd != NULL && IsWindowVisible(hwnd)) ? hwnd : NULL;
}

// The settings program beside this DLL and its folder; 0 when the name does
// not fit, since a cut name could start some other program.
static int GetSettingsProgramPath(char *file, char *folder)
{
    char module[MAX_PATH] = "";
    DWORD len = GetModuleFileNameA(g_hModule, module, sizeof(module));

    if (len == 0 || len >= sizeof(module))
        return 0;
    if (!MakeCompanionPath(module, PROGRAM_FILE, file, MAX_PATH))
        return 0;
    lstrcpynA(folder, file, MAX_PATH);
    *(char *)FindLastBackslash(folder) = '\0'; // there is one: MakeCompanionPath put it there
    return 1;
}

// Polls for the window; gives up at the bound, or when the program ended
// and no other start is bringing up a window either.
static HWND WaitForSettingsWindow(HANDLE process)
{
    DWORD start = GetTickCount();

    for (;;) {
        HWND hwnd = FindShownSettingsWindow();
        if (hwnd != NULL)
            return hwnd;
        if (GetTickCount() - start >= START_BOUND_MS)
            return NULL;
        if (WaitForSingleObject(process, POLL_MS) == WAIT_OBJECT_0) {
            if (FindWindowA(NULL, SETTINGS_TITLE) == NULL)
                return NULL;
            Sleep(POLL_MS);
        }
    }
}

static HWND StartSettingsProgram(void)
{
    char file[MAX_PATH] = "";
    char folder[MAX_PATH] = "";
    char line[MAX_PATH + 2] = "";
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    HWND hwnd;

    if (!GetSettingsProgramPath(file, folder))
        return NULL;
    wsprintfA(line, "\"%s\"", file);
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    if (!CreateProcessA(file, line, NULL, NULL, FALSE, 0, NULL, folder, &si, &pi))
        return NULL;
    hwnd = WaitForSettingsWindow(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return hwnd;
}

int SendRequests(DWORD code, const RequestPath *paths, int count, HWND sender, int *why)
{
    HWND hwnd;

    *why = STOP_NOT_STARTED;
    if (paths == NULL || count <= 0)
        return 0;
    hwnd = FindShownSettingsWindow();
    if (hwnd == NULL)
        hwnd = StartSettingsProgram();
    if (hwnd == NULL)
        return 0;
    for (int i = 0; i < count; i++) {
        // A window that stopped answering gets no more requests to wait for.
        if (!SendListRequest(hwnd, sender, code, paths[i], SEND_BOUND_MS)) {
            *why = IsWindow(hwnd) ? STOP_NO_ANSWER : STOP_CLOSED;
            return i;
        }
    }
    // The change is kept only when the user confirms the dialog: show it.
    SetForegroundWindow(hwnd);
    return count;
}
