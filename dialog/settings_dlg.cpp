// The settings dialog's procedure: dispatch, opening and closing.
#include "dialog/settings_dlg.h"

#include "app/program.h"
#include "dialog/appearance.h"
#include "dialog/copy_data.h"
#include "dialog/list_edit.h"
#include "dialog/persistence.h"
#include "dialog/list_ops.h"
#include "dialog/path_links.h"
#include "res/resource.h"

#include <commctrl.h>

static void InsertListColumn(HWND hDlg)
{
    HWND hList = GetDlgItem(hDlg, IDC_FILE_LIST);
    char header[] = "Files included in Duplix";
    RECT rc;
    LVCOLUMNA col;

    GetWindowRect(hList, &rc);
    ZeroMemory(&col, sizeof(col));
    col.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.cx = (rc.right - rc.left) - 20;
    col.pszText = header;
    col.iSubItem = 0;
    SendMessageA(hList, LVM_INSERTCOLUMNA, 0, (LPARAM)&col);
}

static void FocusOkButton(HWND hDlg)
{
    HWND hOk = GetDlgItem(hDlg, IDOK);

    SetFocus(hOk);
    SendMessageA(hOk, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

static INT_PTR OnInitDialog(HWND hDlg)
{
    g_hDlg = hDlg;
    SetWindowTextA(hDlg, SETTINGS_TITLE);
    PlaceWindow(hDlg);
    ApplyAppearance(hDlg);
    LoadBackupPath(hDlg);
    InsertListColumn(hDlg);
    LoadBackupList();
    FitListColumn();
    FocusOkButton(hDlg);
    return FALSE;
}

static INT_PTR OnCancel(HWND hDlg, WORD code)
{
    if (code != 0)
        return FALSE;
    StoreWindowPosition(hDlg);
    ReleaseAppearance();
    EndDialog(hDlg, 1);
    return TRUE;
}

static INT_PTR OnOk(HWND hDlg, WORD code)
{
    if (code != 0)
        return FALSE;
    StoreSettingsAndRestartNotifier();
    return OnCancel(hDlg, 0);
}

// The list commands run whatever the notification code: a command sent by
// code with the bare identifier runs the same steps as a click.
static INT_PTR RunListCommand(void (*handler)(void))
{
    handler();
    return TRUE;
}

static INT_PTR OnCommand(HWND hDlg, WPARAM wParam)
{
    WORD code = HIWORD(wParam);

    switch (LOWORD(wParam)) {
    case IDOK:
        return OnOk(hDlg, code);
    case IDCANCEL:
        return OnCancel(hDlg, code);
    case IDC_ADD_FILE:
        return RunListCommand(OnAddFile);
    case IDC_NEW_ITEM:
        return RunListCommand(OnNewItem);
    case IDC_PASTE_ITEM:
        return RunListCommand(OnPasteItem);
    case IDC_CHANGE_ITEM:
        return RunListCommand(OnChangeItem);
    case IDC_OPEN_ITEM:
        return RunListCommand(OnOpenItem);
    case IDC_EDIT_ITEM:
        return RunListCommand(OnEditItem);
    case IDC_REMOVE_ITEM:
        return RunListCommand(OnRemoveItem);
    case IDC_CHANGE_PATH:
        return OnChangePath(hDlg);
    case IDC_OPEN_PATH:
        return OnOpenPath(hDlg);
    case IDC_HELP:
        return OnHelp();
    case IDC_WEB_LINK:
        return OnWebLink(code);
    case IDC_APP_ICON:
        return OnAppIcon(hDlg);
    }
    return FALSE;
}

static INT_PTR OnNotify(WPARAM wParam, LPARAM lParam)
{
    const NMHDR *hdr = (const NMHDR *)lParam;

    if (wParam != IDC_FILE_LIST || hdr == NULL)
        return FALSE;
    return OnListNotify(hdr);
}

INT_PTR CALLBACK SettingsDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog(hDlg);
    case WM_COMMAND:
        return OnCommand(hDlg, wParam);
    case WM_NOTIFY:
        return OnNotify(wParam, lParam);
    case WM_COPYDATA:
        return OnCopyData((const COPYDATASTRUCT *)lParam);
    case WM_HELP:
        SendMessageA(hDlg, WM_COMMAND, IDC_HELP, 0);
        return FALSE;
    case WM_SETCURSOR:
        return OnSetCursor(hDlg, (HWND)wParam);
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(hDlg, (HDC)wParam, (HWND)lParam);
    }
    return FALSE;
}
