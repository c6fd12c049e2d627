// The copies window: the file's path and state, its saved versions newest
// first, and the buttons that act on the chosen one.
#include "dxrestore/copies.h"
#include "dxrestore/resource.h"

#include "app/program.h"
#include "app/report_list.h"

#define COPIES_TITLE_TAIL " - " PRODUCT_TITLE " Copies"

static CopiesWindow *GetCopiesData(HWND hDlg)
{
    return (CopiesWindow *)GetWindowLongPtrA(hDlg, DWLP_USER);
}

static int GetSelectedRow(HWND hDlg)
{
    return (int)SendDlgItemMessageA(hDlg, IDC_COPY_LIST, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

static void AddColumns(HWND list)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddListColumn(list, 0, "Saved", 120);
    AddListColumn(list, 1, "Size", 80);
    AddListColumn(list, 2, "Kept in", 200);
}

// The rows anew, with row chosen (-1: none).
static void FillRows(HWND list, const CopyList *copies, int chosen)
{
    char text[KEPT_IN_SIZE];
    LVITEMA item;
    int i, row;

    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (i = 0; i < copies->count; i++) {
        FormatFileTime(&copies->versions[i].saved, text, sizeof(text));
        ZeroMemory(&item, sizeof(item));
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = text;
        item.lParam = i;
        row = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        FormatByteSize(copies->versions[i].size, text, sizeof(text));
        SetListCell(list, row, 1, text);
        FormatKeptIn(&copies->versions[i], text, sizeof(text));
        SetListCell(list, row, 2, text);
    }
    if (chosen >= 0 && chosen < copies->count)
        ListView_SetItemState(list, chosen, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// Scrolls the list so that row is the first one seen.
static void ScrollToRow(HWND list, int row)
{
    RECT rc;

    if (row > 0 && ListView_GetItemRect(list, 0, &rc, LVIR_BOUNDS))
        SendMessageA(list, LVM_SCROLL, 0, row * (rc.bottom - rc.top));
}

static const char *ChooseNote(const CopiesWindow *w)
{
    if (!w->readable)
        return "The backup path cannot be read.";
    if (w->copies.count == 0)
        return w->listed ? "No copies of this file yet."
                         : "No copies of this file yet. It is not on the backup list.";
    return w->listed ? "" : "The file is not on the backup list: no more copies of it will be made.";
}

static void EnableVersionButtons(HWND hDlg)
{
    static const int BUTTONS[] = {IDC_OPEN_COPY, IDC_SAVE_COPY, IDC_RESTORE_COPY};
    BOOL any = GetSelectedRow(hDlg) >= 0;
    size_t i;

    for (i = 0; i < sizeof(BUTTONS) / sizeof(BUTTONS[0]); i++)
        EnableWindow(GetDlgItem(hDlg, BUTTONS[i]), any);
}

// The newest version saved by the moment asked; the newest of all when
// none was asked.
static int FindAskedRow(const CopiesWindow *w)
{
    int i;

    if (w->asked.dwLowDateTime == 0 && w->asked.dwHighDateTime == 0)
        return 0;
    for (i = 0; i < w->copies.count; i++) {
        if (CompareFileTime(&w->copies.versions[i].saved, &w->asked) <= 0)
            return i;
    }
    return 0;
}

static INT_PTR OnInitCopies(HWND hDlg, CopiesWindow *w)
{
    char text[MAX_PATH + sizeof(COPIES_TITLE_TAIL)];
    HWND list = GetDlgItem(hDlg, IDC_COPY_LIST);
    HICON icon = LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_APP));

    SetWindowLongPtrA(hDlg, DWLP_USER, (LONG_PTR)w);
    lstrcpynA(text, FindFileName(w->source), MAX_PATH);
    AppendText(text, sizeof(text), COPIES_TITLE_TAIL);
    SetWindowTextA(hDlg, text);
    SendMessageA(hDlg, WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessageA(hDlg, WM_SETICON, ICON_SMALL, (LPARAM)icon);
    SetDlgItemTextA(hDlg, IDC_COPY_PATH, w->source);
    FormatFileState(w->backup, w->source, text, sizeof(text));
    SetDlgItemTextA(hDlg, IDC_COPY_STATE, text);
    SetDlgItemTextA(hDlg, IDC_COPY_NOTE, ChooseNote(w));
    AddColumns(list);
    FillRows(list, &w->copies, FindAskedRow(w));
    FitListColumns(list, 2);
    SetTimer(hDlg, RELOAD_TIMER, RELOAD_MS, NULL);
    EnableVersionButtons(hDlg);
    SetFocus(w->copies.count > 0 ? list : GetDlgItem(hDlg, IDCANCEL));
    return FALSE;
}

static void ShowFileState(HWND hDlg, const CopiesWindow *w)
{
    char now[MAX_PATH], shown[MAX_PATH];

    FormatFileState(w->backup, w->source, now, sizeof(now));
    GetDlgItemTextA(hDlg, IDC_COPY_STATE, shown, sizeof(shown));
    if (lstrcmpA(now, shown) != 0)
        SetDlgItemTextA(hDlg, IDC_COPY_STATE, now);
}

// The rows change only when the versions did, and then the chosen version
// stays chosen by its time and size (none, when it is gone), and the row
// seen first stays first unless the list was at its top, where a new copy
// comes in.
void ReloadCopies(HWND hDlg, CopiesWindow *w)
{
    HWND list = GetDlgItem(hDlg, IDC_COPY_LIST);
    const char *note = ChooseNote(w);
    CopyList found;
    CopyVersion chosen, first;
    int row = GetSelectedRow(hDlg), top = (int)SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
    int readable = FindCopies(w->backup, w->source, &found);

    ShowFileState(hDlg, w);
    if (readable == w->readable && IsSameList(&found, &w->copies))
        return;
    ZeroMemory(&chosen, sizeof(chosen));
    ZeroMemory(&first, sizeof(first));
    if (row >= 0 && row < w->copies.count)
        chosen = w->copies.versions[row];
    if (top > 0 && top < w->copies.count)
        first = w->copies.versions[top];
    w->copies = found;
    w->readable = readable;
    row = row >= 0 ? FindVersionRow(&w->copies, &chosen) : -1;
    top = top > 0 && FindVersionRow(&w->copies, &first) >= 0 ? FindVersionRow(&w->copies, &first) : top;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    FillRows(list, &w->copies, row);
    ScrollToRow(list, top);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
    FitListColumns(list, 2);
    EnableVersionButtons(hDlg);
    if (ChooseNote(w) != note)
        SetDlgItemTextA(hDlg, IDC_COPY_NOTE, ChooseNote(w));
}

// A command that needs a version and has none chosen only beeps. It acts
// on the version the row shows now, held apart from the list, which may be
// reloaded while a question is up.
static INT_PTR RunOnVersion(HWND hDlg, void (*action)(HWND, CopiesWindow *, const CopyVersion *))
{
    CopiesWindow *w = GetCopiesData(hDlg);
    int row = GetSelectedRow(hDlg);
    CopyVersion version;

    if (row < 0 || row >= w->copies.count) {
        MessageBeep(0);
        return TRUE;
    }
    version = w->copies.versions[row];
    action(hDlg, w, &version);
    return TRUE;
}

static INT_PTR OnCopiesCommand(HWND hDlg, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDC_OPEN_COPY:
        return RunOnVersion(hDlg, OpenVersion);
    case IDC_SAVE_COPY:
        return RunOnVersion(hDlg, SaveVersionAs);
    case IDC_RESTORE_COPY:
        return RunOnVersion(hDlg, AskAndRestore);
    case IDCANCEL:
        EndDialog(hDlg, 0);
        return TRUE;
    }
    return FALSE;
}

static INT_PTR OnCopiesNotify(HWND hDlg, const NMHDR *header)
{
    if (header->idFrom != IDC_COPY_LIST)
        return FALSE;
    if (header->code == LVN_ITEMCHANGED)
        EnableVersionButtons(hDlg);
    else if (header->code == NM_DBLCLK && GetSelectedRow(hDlg) >= 0)
        RunOnVersion(hDlg, OpenVersion);
    return FALSE;
}

INT_PTR CALLBACK CopiesDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitCopies(hDlg, (CopiesWindow *)lParam);
    case WM_COMMAND:
        return OnCopiesCommand(hDlg, wParam);
    case WM_NOTIFY:
        return OnCopiesNotify(hDlg, (const NMHDR *)lParam);
    case WM_TIMER:
        if (wParam == RELOAD_TIMER)
            ReloadCopies(hDlg, GetCopiesData(hDlg));
        return TRUE;
    case WM_DESTROY:
        KillTimer(hDlg, RELOAD_TIMER);
        return FALSE;
    }
    return FALSE;
}

int RunCopiesWindow(const char *path, const FILETIME *asked)
{
    CopiesWindow *w = (CopiesWindow *)HeapAlloc(GetProcessHeap(), 0, sizeof(CopiesWindow));
    int shown = 0;

    if (w == NULL)
        return 0;
    if (LoadCopies(path, w)) {
        w->asked = *asked;
        DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_COPIES), NULL, CopiesDlgProc, (LPARAM)w);
        shown = 1;
    }
    HeapFree(GetProcessHeap(), 0, w);
    return shown;
}
