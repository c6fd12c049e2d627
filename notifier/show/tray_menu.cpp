// The icon's menu and what its commands do: the status window, the settings
// program, the backup folder, the log, and stopping the notifier.
#include "notifier/notifier.h"
#include "notifier/resource.h"
#include "notifier/show/status.h"

#include <shellapi.h>

#define STOP_QUESTION \
    "Files will not be backed up until you log on again or press OK in the " PRODUCT_TITLE " Settings."

static int g_menuOpen, g_asking;

// The classic rules: the owner in front before the menu, or it does not
// close on a click elsewhere; WM_NULL after it, or the next one misbehaves.
void ShowTrayMenu(HWND window)
{
    HMENU bar, menu;
    POINT at;

    if (g_menuOpen || g_asking)
        return;
    bar = LoadMenuA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    menu = bar != NULL ? GetSubMenu(bar, 0) : NULL;
    if (menu == NULL) {
        if (bar != NULL)
            DestroyMenu(bar);
        return;
    }
    SetMenuDefaultItem(menu, IDM_STATUS, FALSE);
    GetCursorPos(&at);
    g_menuOpen = 1;
    SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, window, NULL);
    PostMessageA(window, WM_NULL, 0, 0);
    g_menuOpen = 0;
    DestroyMenu(bar);
}

// Quoted, as Explorer takes a path with blanks: "/e,/n,"<path>"".
static void OpenBackupFolder(void)
{
    char backup[MAX_PATH], params[MAX_PATH + 16];

    ReadStatusBackup(backup);
    if (backup[0] == '\0')
        return;
    wsprintfA(params, "/e,/n,\"%s\"", backup);
    ShellExecuteA(NULL, NULL, "explorer.exe", params, NULL, SW_SHOWNORMAL);
}

// The log lies in the backup folder, or in the temporary folder while that
// could not be written; the one in the backup folder is the newer when both
// are there and the backup folder can be written again.
static int IsLogIn(const char *folder, char *path, int size)
{
    return GetLogPath(folder, path, size) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

static int FindLog(char *path, int size)
{
    char folder[MAX_PATH];

    ReadStatusBackup(folder);
    return IsLogIn(folder, path, size) || IsLogIn(NULL, path, size);
}

// Notepad is on every Windows; a .log file has no program of its own on all.
static void ShowLog(void)
{
    char path[MAX_PATH], params[MAX_PATH + 4];

    if (!FindLog(path, sizeof(path))) {
        MessageBoxA(NULL, "There is no log yet.", PRODUCT_TITLE,
                    MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        return;
    }
    wsprintfA(params, "\"%s\"", path);
    ShellExecuteA(NULL, NULL, "notepad.exe", params, NULL, SW_SHOWNORMAL);
}

static void AskToStop(HWND window)
{
    int answer;

    if (g_asking)
        return;
    g_asking = 1;
    answer = MessageBoxA(window, STOP_QUESTION, PRODUCT_TITLE, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
    g_asking = 0;
    if (answer == IDYES)
        AskToEnd();
}

void RunTrayCommand(HWND window, int command)
{
    switch (command) {
    case IDM_STATUS:
        OpenStatusWindow();
        break;
    case IDM_SETTINGS:
        LaunchCompanion(PROGRAM_FILE);
        break;
    case IDM_OPEN_BACKUP:
        OpenBackupFolder();
        break;
    case IDM_SHOW_LOG:
        ShowLog();
        break;
    case IDM_STOP:
        AskToStop(window);
        break;
    }
}
