// The notifier's icon in the notification area, on a thread of its own: a
// hidden top-level window owns it, its tip and look follow the snapshot, the
// start of a trouble shows a balloon where the shell has them, and an icon
// the shell refused (no taskbar yet at logon) is added again every few
// seconds. Nothing here is waited for by the copying thread.
#include "notifier/notifier.h"
#include "notifier/resource.h"
#include "notifier/show/show.h"
#include "notifier/show/status.h"

#include "notifier/trouble/trouble.h"

#include <dbt.h>
#include <shellapi.h>
#include <shlwapi.h>

#define ICON_ID 1
#define RETRY_TIMER 1
#define BALLOON_TIMER 2
#define RETRY_MS 5000
#define BALLOON_EVERY_MS 60000
#define BALLOON_SHOWN_MS 15000
#define STOP_WAIT_MS 5000

struct TrayIcon {
    HANDLE thread;
    HANDLE ready;  // set once the window exists, or could not be made
    HWND window;
    UINT taskbarCreated;
    NOTIFYICONDATAA data;  // cbSize as the running shell takes it
    int added, balloons;
    volatile LONG ending;  // set by the notifier's end before it posts WM_END_ICON
    NotifierStatus *status;  // the icon thread's copy
    LONG toldStarted;  // troubles begun that a balloon has told (or skipped)
    int hadBalloon;
    DWORD lastBalloonAt;
};

static TrayIcon g_tray;

// shell32 before version 5 (Windows 95, 98, NT 4.0) takes only the original
// structure: a 64-character tip, no balloons. DllGetVersion came with 4.71.
static int GetShellMajorVersion(void)
{
    HMODULE shell = GetModuleHandleA("shell32.dll");
    DLLGETVERSIONPROC getVersion;
    DLLVERSIONINFO info;

    if (shell == NULL)
        return 4;
    getVersion = (DLLGETVERSIONPROC)(void (*)(void))GetProcAddress(shell, "DllGetVersion");
    if (getVersion == NULL)
        return 4;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    return SUCCEEDED(getVersion(&info)) ? (int)info.dwMajorVersion : 4;
}

static void PrepareIconData(HWND window)
{
    NOTIFYICONDATAA *data = &g_tray.data;

    ZeroMemory(data, sizeof(*data));
    g_tray.balloons = GetShellMajorVersion() >= 5;
    data->cbSize = g_tray.balloons ? NOTIFYICONDATAA_V2_SIZE : NOTIFYICONDATAA_V1_SIZE;
    data->hWnd = window;
    data->uID = ICON_ID;
    data->uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data->uCallbackMessage = NOTIFIER_ICON_MESSAGE;
}

// The tip as the shell holds it: 64 bytes before version 5, 128 after.
static int GetTipSize(void)
{
    return g_tray.balloons ? (int)sizeof(g_tray.data.szTip) : 64;
}

static HICON LoadLook(int look)
{
    int id = look == NOTIFIER_LOOK_TROUBLE ? IDI_TROUBLE : IDI_APP;

    return (HICON)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), IMAGE_ICON,
                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
}

// A refused add is tried again on a timer. An add that a slow taskbar took
// after its caller gave up is refused when repeated: a change then works.
static void AddIcon(void)
{
    if (Shell_NotifyIconA(NIM_ADD, &g_tray.data) || Shell_NotifyIconA(NIM_MODIFY, &g_tray.data)) {
        g_tray.added = 1;
        KillTimer(g_tray.window, RETRY_TIMER);
        return;
    }
    g_tray.added = 0;
    SetTimer(g_tray.window, RETRY_TIMER, RETRY_MS, NULL);
}

static void ChangeIcon(void)
{
    if (g_tray.added && !Shell_NotifyIconA(NIM_MODIFY, &g_tray.data))
        AddIcon();
}

// One balloon a minute at most: troubles begun meanwhile wait and are told
// together, unless all trouble has ended by then. Troubles found before the
// taskbar took the icon (at logon) are told once it has.
static void TellBegunTroubles(void)
{
    const NotifierStatus *status = g_tray.status;
    LONG begun = status->startedCount - g_tray.toldStarted;
    DWORD now = GetTickCount();

    if (begun <= 0 || !g_tray.added)
        return;
    if (!g_tray.balloons || !HasTrouble(status)) {
        g_tray.toldStarted = status->startedCount;
        return;
    }
    if (g_tray.hadBalloon && now - g_tray.lastBalloonAt < BALLOON_EVERY_MS) {
        SetTimer(g_tray.window, BALLOON_TIMER, BALLOON_EVERY_MS - (now - g_tray.lastBalloonAt), NULL);
        return;
    }
    KillTimer(g_tray.window, BALLOON_TIMER);
    FormatBalloon(status, begun, g_tray.data.szInfo, sizeof(g_tray.data.szInfo));
    lstrcpynA(g_tray.data.szInfoTitle, PRODUCT_TITLE, sizeof(g_tray.data.szInfoTitle));
    g_tray.data.dwInfoFlags = NIIF_WARNING;
    g_tray.data.uTimeout = BALLOON_SHOWN_MS;
    g_tray.data.uFlags |= NIF_INFO;
    ChangeIcon();
    g_tray.data.uFlags &= ~NIF_INFO;
    g_tray.toldStarted = status->startedCount;
    g_tray.hadBalloon = 1;
    g_tray.lastBalloonAt = now;
}

// The window's text is the tip and its user data the look, so that other
// programs (the tests) can read what the icon shows.
static void ShowStatus(void)
{
    char tip[sizeof(g_tray.data.szTip)];
    int look, same;

    if (g_tray.status->serial == 0)
        return;  // nothing published yet: no icon rather than a wrong one
    FormatTip(g_tray.status, tip, GetTipSize());
    look = HasTrouble(g_tray.status) ? NOTIFIER_LOOK_TROUBLE : NOTIFIER_LOOK_BACKED_UP;
    // The shell is told only what it shows: a count that changes with every
    // copy is no reason to redraw the icon.
    same = g_tray.added && look == (int)GetWindowLongPtrA(g_tray.window, GWLP_USERDATA) &&
           lstrcmpA(tip, g_tray.data.szTip) == 0;
    lstrcpynA(g_tray.data.szTip, tip, sizeof(g_tray.data.szTip));
    g_tray.data.hIcon = LoadLook(look);
    SetWindowTextA(g_tray.window, tip);
    SetWindowLongPtrA(g_tray.window, GWLP_USERDATA, look);
    if (!g_tray.added && g_tray.data.hIcon != NULL)
        AddIcon();
    else if (!same)
        ChangeIcon();
    TellBegunTroubles();
}

static void OnStatusChanged(void)
{
    ReadStatus(g_tray.status);
    ShowStatus();
}

static void OnTimer(WPARAM id)
{
    if (id == RETRY_TIMER && !g_tray.added)
        ShowStatus();
    else if (id == BALLOON_TIMER) {
        KillTimer(g_tray.window, BALLOON_TIMER);
        TellBegunTroubles();
    }
}

// The shell's callback: its mouse message in lParam. The keyboard's
// equivalents come as WM_CONTEXTMENU and NIN_KEYSELECT from shells that send
// them, as right-button messages from older ones.
static void OnIconMessage(HWND window, LPARAM mouse)
{
    switch (mouse) {
    case WM_LBUTTONDBLCLK:
        RunTrayCommand(window, IDM_STATUS);
        break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
    case NIN_KEYSELECT:
        ShowTrayMenu(window);
        break;
    }
}

static void OnDestroy(void)
{
    SetStatusWindow(NULL);
    KillTimer(g_tray.window, RETRY_TIMER);
    KillTimer(g_tray.window, BALLOON_TIMER);
    CloseStatusWindow();
    if (g_tray.added)
        Shell_NotifyIconA(NIM_DELETE, &g_tray.data);
    g_tray.added = 0;
    PostQuitMessage(0);
}

static LRESULT CALLBACK TrayWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == g_tray.taskbarCreated && msg != 0) {
        g_tray.added = 0;  // a new taskbar knows no icons
        ShowStatus();
        return 0;
    }
    switch (msg) {
    case WM_STATUS_CHANGED:
        OnStatusChanged();
        return 0;
    case NOTIFIER_ICON_MESSAGE:
        OnIconMessage(window, lParam);
        return 0;
    case WM_COMMAND:
        RunTrayCommand(window, LOWORD(wParam));
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_DEVICECHANGE:
        // A disk plugged in may be the backup disk coming back.
        if (wParam == DBT_DEVICEARRIVAL)
            CheckDiskNow();
        return TRUE;
    case WM_CLOSE:
        return 0;  // the icon goes with the notifier, not before
    case WM_END_ICON:
        if (g_tray.ending)  // another program's message ends nothing
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

// Top-level, never shown: "TaskbarCreated" reaches top-level windows only.
static HWND CreateTrayWindow(void)
{
    WNDCLASSA wc;

    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = TrayWindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = NOTIFIER_WINDOW_CLASS;
    if (!RegisterClassA(&wc))
        return NULL;
    return CreateWindowExA(WS_EX_TOOLWINDOW, NOTIFIER_WINDOW_CLASS, PRODUCT_TITLE, WS_POPUP, 0, 0, 0, 0, NULL,
                           NULL, wc.hInstance, NULL);
}

static DWORD WINAPI RunTrayThread(void *unused)
{
    MSG msg;

    (void)unused;
    g_tray.taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    g_tray.window = CreateTrayWindow();
    SetEvent(g_tray.ready);
    if (g_tray.window == NULL)
        return 0;
    PrepareIconData(g_tray.window);
    SetStatusWindow(g_tray.window);
    OnStatusChanged();
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (IsStatusMessage(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

// Without memory for the snapshots there is no icon; backing up goes on.
void StartTrayIcon(void)
{
    DWORD id;

    if (!OpenStatusBoard())
        return;
    g_tray.status = AllocStatus();
    g_tray.ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (g_tray.status == NULL || g_tray.ready == NULL)
        return;
    g_tray.thread = CreateThread(NULL, 0, RunTrayThread, NULL, 0, &id);
}

// The icon's thread is given a few seconds to take its icon away (the shell
// may be slow); a thread that does not end then ends with the process.
void StopTrayIcon(void)
{
    if (g_tray.thread != NULL) {
        WaitForSingleObject(g_tray.ready, STOP_WAIT_MS);
        InterlockedExchange(&g_tray.ending, 1);
        if (g_tray.window != NULL)
            PostMessageA(g_tray.window, WM_END_ICON, 0, 0);
        if (WaitForSingleObject(g_tray.thread, STOP_WAIT_MS) != WAIT_OBJECT_0)
            return;  // still using the board: the process's end takes it
        CloseHandle(g_tray.thread);
        g_tray.thread = NULL;
    }
    CloseStatusBoard();
    FreeStatus(g_tray.status);
    g_tray.status = NULL;
    if (g_tray.ready != NULL)
        CloseHandle(g_tray.ready);
    g_tray.ready = NULL;
}
