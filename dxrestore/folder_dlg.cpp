// The folder window: the files below a folder as they were at a chosen
// moment, with what became of each since, and the buttons that put them
// back.
#include "dxrestore/folder.h"
#include "dxrestore/resource.h"

#include "app/program.h"
#include "app/report_list.h"

#define FOLDER_TITLE_TAIL " - " PRODUCT_TITLE " Copies"

static const char *const STATE_WORDS[] = {"same", "changed", "deleted"};

static FolderWindow *GetFolderData(HWND hDlg)
{
    return (FolderWindow *)GetWindowLongPtrA(hDlg, DWLP_USER);
}

static int IsOnlyChanged(HWND hDlg)
{
    return IsDlgButtonChecked(hDlg, IDC_FOLDER_ONLY) == BST_CHECKED;
}

static void FillMoments(HWND hDlg, const FolderWindow *w)
{
    HWND box = GetDlgItem(hDlg, IDC_FOLDER_MOMENT);
    char text[TIME_TEXT_SIZE];
    int i;

    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    for (i = 0; i < w->index.momentCount; i++) {
        FormatMoment(&w->index, i, text, sizeof(text));
        SendMessageA(box, CB_ADDSTRING, 0, (LPARAM)text);
    }
    SendMessageA(box, CB_SETCURSEL, w->moment, 0);
}

static void AddRow(HWND list, const FolderWindow *w, int i)
{
    const FolderRow *row = &w->rows[i];
    char text[MAX_PATH];
    LVITEMA item;
    int at;

    lstrcpynA(text, GetFileName(&w->index, row->file), sizeof(text));
    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = i;
    item.pszText = text;
    item.lParam = i;
    at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    FormatFileTime(&row->saved, text, sizeof(text));
    SetListCell(list, at, 1, text);
    FormatByteSize(row->size, text, sizeof(text));
    SetListCell(list, at, 2, text);
    lstrcpynA(text, STATE_WORDS[row->state], sizeof(text));
    SetListCell(list, at, 3, text);
}

static const char *ChooseFolderNote(HWND hDlg, const FolderWindow *w)
{
    if (w->index.failed)
        return "Not every file could be listed: there is not enough memory.";
    if (w->rowCount > 0 || !IsOnlyChanged(hDlg))
        return "";
    return w->moment == 0 ? "No file was deleted here within the last month."
                          : "No file was changed or deleted here since then.";
}

// The rows of the moment anew; the chosen files stay chosen by name.
static void ShowRows(HWND hDlg, FolderWindow *w, int rebuild)
{
    HWND list = GetDlgItem(hDlg, IDC_FOLDER_LIST);
    char name[MAX_PATH];
    LVFINDINFOA find;
    int i, row, chosen = 0;
    char (*names)[MAX_PATH] = NULL;

    if (rebuild)
        w->rowCount = BuildFolderRows(&w->index, w->moment, IsOnlyChanged(hDlg), w->rows);
    for (i = -1; (i = ListView_GetNextItem(list, i, LVNI_SELECTED)) >= 0;)
        chosen++;
    if (chosen > 0)
        names = (char(*)[MAX_PATH])HeapAlloc(GetProcessHeap(), 0, (SIZE_T)chosen * MAX_PATH);
    chosen = 0;
    for (i = -1; names != NULL && (i = ListView_GetNextItem(list, i, LVNI_SELECTED)) >= 0;)
        ListView_GetItemText(list, i, 0, names[chosen++], MAX_PATH);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (i = 0; i < w->rowCount; i++)
        AddRow(list, w, i);
    ZeroMemory(&find, sizeof(find));
    find.flags = LVFI_STRING;
    for (i = 0; i < chosen; i++) {
        lstrcpynA(name, names[i], sizeof(name));
        find.psz = name;
        row = (int)SendMessageA(list, LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
        if (row >= 0)
            ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (names != NULL)
        HeapFree(GetProcessHeap(), 0, names);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
    FitListColumns(list, 0);
    SetDlgItemTextA(hDlg, IDC_FOLDER_NOTE, ChooseFolderNote(hDlg, w));
}

static INT_PTR OnInitFolder(HWND hDlg, FolderWindow *w)
{
    char text[MAX_PATH + sizeof(FOLDER_TITLE_TAIL)];
    HWND list = GetDlgItem(hDlg, IDC_FOLDER_LIST);
    HICON icon = LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_APP));

    SetWindowLongPtrA(hDlg, DWLP_USER, (LONG_PTR)w);
    lstrcpynA(text, FindFileName(w->index.folder), MAX_PATH);
    AppendText(text, sizeof(text), FOLDER_TITLE_TAIL);
    SetWindowTextA(hDlg, text);
    SendMessageA(hDlg, WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessageA(hDlg, WM_SETICON, ICON_SMALL, (LPARAM)icon);
    SetDlgItemTextA(hDlg, IDC_FOLDER_PATH, w->index.folder);
    CheckDlgButton(hDlg, IDC_FOLDER_ONLY, BST_CHECKED);
    FillMoments(hDlg, w);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddListColumn(list, 0, "Name", 160);
    AddListColumn(list, 1, "Saved", 120);
    AddListColumn(list, 2, "Size", 80);
    AddListColumn(list, 3, "Now", 60);
    ShowRows(hDlg, w, 1);
    SetTimer(hDlg, RELOAD_TIMER, RELOAD_MS, NULL);
    SetFocus(list);
    return FALSE;
}

// The rows chosen (all shown rows when none is) as row numbers, into a
// block the caller frees; their count.
static int *TakeChosenRows(HWND hDlg, const FolderWindow *w, int *count)
{
    HWND list = GetDlgItem(hDlg, IDC_FOLDER_LIST);
    int *chosen = (int *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)(w->rowCount + 1) * sizeof(int));
    LVITEMA item;
    int i;

    *count = 0;
    for (i = -1; chosen != NULL && (i = ListView_GetNextItem(list, i, LVNI_SELECTED)) >= 0;) {
        ZeroMemory(&item, sizeof(item));
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item) && item.lParam >= 0 && item.lParam < w->rowCount)
            chosen[(*count)++] = (int)item.lParam;
    }
    for (i = 0; chosen != NULL && *count == 0 && i < w->rowCount; i++)
        chosen[i] = i;
    if (chosen != NULL && *count == 0)
        *count = w->rowCount;
    return chosen;
}

static void ReloadAndShow(HWND hDlg, FolderWindow *w)
{
    int moments = w->index.momentCount, changed;

    w->lastLook = GetTickCount();
    changed = ReloadFolder(w, IsOnlyChanged(hDlg));
    w->lookCost = GetTickCount() - w->lastLook;
    if (!changed)
        return;
    if (moments != w->index.momentCount || (int)SendDlgItemMessageA(hDlg, IDC_FOLDER_MOMENT, CB_GETCURSEL, 0, 0) != w->moment)
        FillMoments(hDlg, w);
    ShowRows(hDlg, w, 0);
}

// A large tree is looked at less often, so that following it never takes
// more than a fifth of the time.
static int IsTimeToLook(const FolderWindow *w)
{
    return GetTickCount() - w->lastLook >= 5 * w->lookCost;
}

static INT_PTR RunOnRows(HWND hDlg, void (*action)(HWND, FolderWindow *, const int *, int))
{
    FolderWindow *w = GetFolderData(hDlg);
    int count, *chosen = TakeChosenRows(hDlg, w, &count);

    if (chosen == NULL || count == 0)
        MessageBeep(0);
    else
        action(hDlg, w, chosen, count);
    if (chosen != NULL)
        HeapFree(GetProcessHeap(), 0, chosen);
    ReloadAndShow(hDlg, w);
    return TRUE;
}

// The file window for the first chosen row, or its version opened.
static INT_PTR RunOnFile(HWND hDlg, int open)
{
    FolderWindow *w = GetFolderData(hDlg);
    int row = ListView_GetNextItem(GetDlgItem(hDlg, IDC_FOLDER_LIST), -1, LVNI_SELECTED);
    LVITEMA item;
    CopyVersion version;

    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !SendDlgItemMessageA(hDlg, IDC_FOLDER_LIST, LVM_GETITEMA, 0, (LPARAM)&item) ||
        item.lParam < 0 || item.lParam >= w->rowCount || !TakeRowFile(w, &w->rows[item.lParam], &version)) {
        MessageBeep(0);
        return TRUE;
    }
    if (open)
        OpenVersion(hDlg, &w->file, &version);
    else
        RunCopiesWindow(w->file.source, &w->rows[item.lParam].saved);
    ReloadAndShow(hDlg, w);
    return TRUE;
}

static INT_PTR OnFolderCommand(HWND hDlg, WPARAM wParam)
{
    FolderWindow *w = GetFolderData(hDlg);

    switch (LOWORD(wParam)) {
    case IDC_FOLDER_MOMENT:
        if (HIWORD(wParam) == CBN_SELCHANGE) {
            w->moment = (int)SendDlgItemMessageA(hDlg, IDC_FOLDER_MOMENT, CB_GETCURSEL, 0, 0);
            ShowRows(hDlg, w, 1);
        }
        return TRUE;
    case IDC_FOLDER_ONLY:
        ShowRows(hDlg, w, 1);
        return TRUE;
    case IDC_FOLDER_RESTORE:
        return RunOnRows(hDlg, RestoreRows);
    case IDC_FOLDER_RESTORE_TO:
        return RunOnRows(hDlg, RestoreRowsTo);
    case IDC_FOLDER_COPIES:
        return RunOnFile(hDlg, 0);
    case IDCANCEL:
        EndDialog(hDlg, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK FolderDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitFolder(hDlg, (FolderWindow *)lParam);
    case WM_COMMAND:
        return OnFolderCommand(hDlg, wParam);
    case WM_NOTIFY:
        if (((const NMHDR *)lParam)->idFrom == IDC_FOLDER_LIST && ((const NMHDR *)lParam)->code == NM_DBLCLK)
            return RunOnFile(hDlg, 1);
        return FALSE;
    case WM_TIMER:
        if (wParam == RELOAD_TIMER && IsTimeToLook(GetFolderData(hDlg)))
            ReloadAndShow(hDlg, GetFolderData(hDlg));
        return TRUE;
    case WM_DESTROY:
        KillTimer(hDlg, RELOAD_TIMER);
        return FALSE;
    }
    return FALSE;
}

int RunFolderWindow(const char *path, const FILETIME *asked)
{
    FolderWindow *w = (FolderWindow *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FolderWindow));
    int shown = 0;

    if (w == NULL)
        return 0;
    if (LoadFolder(path, asked, w)) {
        DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_FOLDER), NULL, FolderDlgProc, (LPARAM)w);
        FreeFolder(w);
        shown = 1;
    }
    HeapFree(GetProcessHeap(), 0, w);
    return shown;
}
