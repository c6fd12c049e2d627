// The status window: the backup path and whether copies can be written
// there, what is watched, the last copy, and the files not backed up with
// why and since when. One at a time, modeless on the icon's thread; it
// follows the snapshot every second while open. Closing it ends nothing.
#include "notifier/notifier.h"
#include "notifier/resource.h"
#include "notifier/show/status.h"
#include "notifier/trouble/trouble.h"

#include "app/report_list.h"

#define REFRESH_TIMER 1
#define REFRESH_MS 1000

struct StatusWindow {
    HWND dialog;
    DWORD shownSerial;
    NotifierStatus *status;  // from the heap while the window is open
};

static StatusWindow g_statusWindow;

static void AddColumns(HWND list)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddListColumn(list, 0, "File", 200);
    AddListColumn(list, 1, "Why", 100);
    AddListColumn(list, 2, "Since", 100);
}

static void FillRows(HWND list, const NotifierStatus *status)
{
    char text[MAX_PATH];
    LVITEMA item;
    int i, row;

    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (i = 0; i < status->rowCount; i++) {
        lstrcpynA(text, status->rows[i].path, sizeof(text));
        ZeroMemory(&item, sizeof(item));
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        row = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        lstrcpynA(text, FindReason(status->rows[i].reason)->text, sizeof(text));
        SetListCell(list, row, 1, text);
        FormatTickTime(status->rows[i].since, text, sizeof(text));
        SetListCell(list, row, 2, text);
    }
    FitListColumns(list, 0);
}

static void DescribeBackupState(const NotifierStatus *status, char *text, int size)
{
    char when[32];

    if (IsDiskGone(status)) {
        // "The backup disk is not there since 12/8/2026 9:14; 3 files wait."
        lstrcpynA(text, GetDiskSentence(status), size);
        text[0] = 'T';
        FormatFileTimeText(&status->diskSince, when, sizeof(when));
        AppendText(text, size, " since ");
        AppendText(text, size, when);
        wsprintfA(when, "; %d %s.", status->waiting, status->waiting == 1 ? "file waits" : "files wait");
        AppendText(text, size, when);
    } else if (status->diskTrouble == FAIL_DISK_FULL) {
        lstrcpynA(text, "It cannot be written: the backup disk is full.", size);
    } else if (status->diskTrouble == FAIL_NOT_WRITABLE) {
        lstrcpynA(text, "It cannot be written.", size);
    } else {
        lstrcpynA(text, "It can be written.", size);
        if (status->caughtUp > 0) {
            wsprintfA(when, " Caught up %d %s.", status->caughtUp, status->caughtUp == 1 ? "file" : "files");
            AppendText(text, size, when);
        }
    }
}

static void ShowWatched(HWND hDlg, const NotifierStatus *status)
{
    char text[96];

    wsprintfA(text, "%d %s in %d %s", status->fileCount, status->fileCount == 1 ? "file" : "files",
              status->entryCount, status->entryCount == 1 ? "entry" : "entries");
    SetDlgItemTextA(hDlg, IDC_STATUS_WATCHED, text);
}

static void ShowLastCopy(HWND hDlg, const NotifierStatus *status)
{
    char text[MAX_PATH + 40], when[32];

    if (status->lastCopy[0] == '\0') {
        SetDlgItemTextA(hDlg, IDC_STATUS_LAST_COPY, "No copy yet.");
        return;
    }
    FormatFileTimeText(&status->lastCopyAt, when, sizeof(when));
    wsprintfA(text, "%s, %s", when, status->lastCopy);
    SetDlgItemTextA(hDlg, IDC_STATUS_LAST_COPY, text);
}

static void ShowSummary(HWND hDlg, const NotifierStatus *status)
{
    char text[96];

    if (status->troubleCount == 0)
        lstrcpynA(text, "Every listed file is backed up.", sizeof(text));
    else if (status->troubleCount > status->rowCount)
        wsprintfA(text, "%d files are not backed up; the first %d:", status->troubleCount, status->rowCount);
    else
        wsprintfA(text, "%d %s not backed up:", status->troubleCount,
                  status->troubleCount == 1 ? "file is" : "files are");
    SetDlgItemTextA(hDlg, IDC_STATUS_SUMMARY, text);
    ShowWindow(GetDlgItem(hDlg, IDC_STATUS_LIST), status->troubleCount > 0 ? SW_SHOW : SW_HIDE);
}

static void Refresh(HWND hDlg)
{
    NotifierStatus *status = g_statusWindow.status;
    char state[MAX_PATH];

    ReadStatus(status);
    if (status->serial == g_statusWindow.shownSerial)
        return;
    g_statusWindow.shownSerial = status->serial;
    SetDlgItemTextA(hDlg, IDC_STATUS_PATH, status->backup);
    DescribeBackupState(status, state, sizeof(state));
    SetDlgItemTextA(hDlg, IDC_STATUS_WRITABLE, state);
    ShowWatched(hDlg, status);
    ShowLastCopy(hDlg, status);
    ShowSummary(hDlg, status);
    FillRows(GetDlgItem(hDlg, IDC_STATUS_LIST), status);
}

static INT_PTR OnInitStatus(HWND hDlg)
{
    HICON icon = LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_APP));

    SetWindowTextA(hDlg, NOTIFIER_STATUS_TITLE);
    SendMessageA(hDlg, WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessageA(hDlg, WM_SETICON, ICON_SMALL, (LPARAM)icon);
    AddColumns(GetDlgItem(hDlg, IDC_STATUS_LIST));
    g_statusWindow.shownSerial = 0;
    Refresh(hDlg);
    SetTimer(hDlg, REFRESH_TIMER, REFRESH_MS, NULL);
    SetForegroundWindow(hDlg);
    return TRUE;
}

static INT_PTR OnStatusCommand(HWND hDlg, int id)
{
    if (id == IDCANCEL)
        DestroyWindow(hDlg);
    else if (id == IDM_SHOW_LOG || id == IDM_SETTINGS)
        RunTrayCommand(hDlg, id);
    return TRUE;
}

static INT_PTR OnStatusDestroy(HWND hDlg)
{
    KillTimer(hDlg, REFRESH_TIMER);
    g_statusWindow.dialog = NULL;
    FreeStatus(g_statusWindow.status);
    g_statusWindow.status = NULL;
    return TRUE;
}

static INT_PTR CALLBACK StatusDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitStatus(hDlg);
    case WM_COMMAND:
        return OnStatusCommand(hDlg, LOWORD(wParam));
    case WM_TIMER:
        Refresh(hDlg);
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hDlg);
        return TRUE;
    case WM_DESTROY:
        return OnStatusDestroy(hDlg);
    }
    return FALSE;
}

void OpenStatusWindow(void)
{
    HWND dialog = g_statusWindow.dialog;

    if (dialog != NULL) {
        if (IsIconic(dialog))
            ShowWindow(dialog, SW_RESTORE);
        SetForegroundWindow(dialog);
        return;
    }
    g_statusWindow.status = AllocStatus();
    if (g_statusWindow.status == NULL)
        return;
    InitCommonControls();
    g_statusWindow.dialog =
        CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_STATUS), NULL, StatusDlgProc, 0);
    if (g_statusWindow.dialog == NULL) {
        FreeStatus(g_statusWindow.status);
        g_statusWindow.status = NULL;
    }
}

void CloseStatusWindow(void)
{
    if (g_statusWindow.dialog != NULL)
        DestroyWindow(g_statusWindow.dialog);
}

int IsStatusMessage(MSG *msg)
{
    return g_statusWindow.dialog != NULL && IsDialogMessageA(g_statusWindow.dialog, msg);
}
