// Shared operations on the backup list: find, add, select, read, fit.
#include "dialog/list_ops.h"

#include "dialog/settings_dlg.h"
#include "res/resource.h"

#include <commctrl.h>

HWND GetFileList(void)
{
    return GetDlgItem(g_hDlg, IDC_FILE_LIST);
}

int GetItemCount(void)
{
    return (int)SendMessageA(GetFileList(), LVM_GETITEMCOUNT, 0, 0);
}

void FitListColumn(void)
{
    SendMessageA(GetFileList(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
}

int GetSelectedItem(void)
{
    return (int)SendMessageA(GetFileList(), LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

void SelectItem(int index)
{
    LVITEMA item;

    // Index -1 would change the state of every entry.
    if (index < 0)
        return;
    ZeroMemory(&item, sizeof(item));
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(GetFileList(), LVM_SETITEMSTATE, index, (LPARAM)&item);
}

void ReadItemText(int index, char *text)
{
    LVITEMA item;

    text[0] = '\0';
    ZeroMemory(&item, sizeof(item));
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageA(GetFileList(), LVM_GETITEMTEXTA, index, (LPARAM)&item);
    text[MAX_PATH - 1] = '\0';
}

void RunCommand(int id)
{
    SendMessageA(g_hDlg, WM_COMMAND, id, 0);
}

int FindItem(const char *path)
{
    LVFINDINFOA find;

    ZeroMemory(&find, sizeof(find));
    find.flags = LVFI_STRING;
    find.psz = path;
    return (int)SendMessageA(GetFileList(), LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
}

int FindOrAddItem(const char *path)
{
    HWND hList = GetFileList();
    LVITEMA item;
    int index = FindItem(path);

    if (index != -1)
        return index;
    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_TEXT | LVIF_STATE;
    // The list copies the text and never writes to it on insertion.
    item.pszText = (LPSTR)path;
    item.cchTextMax = MAX_PATH;
    return (int)SendMessageA(hList, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

void AddOrSelectItem(const char *path)
{
    int index = FindOrAddItem(path);

    SetFocus(GetFileList());
    SelectItem(index);
    FitListColumn();
}

void AddAndEditItem(const char *path)
{
    AddOrSelectItem(path);
    RunCommand(IDC_EDIT_ITEM);
}
