// The seven list commands: Add File, New, Paste, Change, Open, Edit, Remove.
#include "dialog/list_edit.h"

#include "dialog/list_ops.h"
#include "dialog/settings_dlg.h"
#include "dialog/shell_ops.h"
#include "res/resource.h"

#include <commctrl.h>

// Commands that need a selected entry beep when there is none.
static int GetSelectedOrBeep(void)
{
    int index = GetSelectedItem();

    if (index == -1)
        MessageBeep(MB_OK);
    return index;
}

void OnAddFile(void)
{
    char path[MAX_PATH] = "";

    ChooseFile(g_hDlg, path);
    if (path[0] == '\0')
        return;
    AddAndEditItem(path);
}

void OnNewItem(void)
{
    AddAndEditItem(PLACEHOLDER_TEXT);
}

void OnPasteItem(void)
{
    char text[CLIP_TEXT_SIZE] = "";

    PasteFromClipboard(text, sizeof(text));
    AddAndEditItem(text[0] != '\0' ? text : PLACEHOLDER_TEXT);
}

void OnChangeItem(void)
{
    char path[MAX_PATH] = "";
    int index = GetSelectedOrBeep();

    if (index == -1)
        return;
    ReadItemText(index, path);
    // Cancelled, the path keeps the entry's text: the entry is put back
    // and its label edit opens.
    ChooseFile(g_hDlg, path);
    if (path[0] == '\0')
        return;
    RunCommand(IDC_REMOVE_ITEM);
    AddOrSelectItem(path);
    RunCommand(IDC_EDIT_ITEM);
}

void OnOpenItem(void)
{
    char path[MAX_PATH] = "";
    int index = GetSelectedOrBeep();

    if (index == -1)
        return;
    ReadItemText(index, path);
    ShowInExplorer(path);
}

void OnEditItem(void)
{
    int index = GetSelectedOrBeep();
    HWND hList = GetFileList();

    if (index == -1)
        return;
    // The list starts a label edit only while it has the focus.
    SetFocus(hList);
    SendMessageA(hList, LVM_EDITLABELA, index, 0);
}

void OnRemoveItem(void)
{
    HWND hList = GetFileList();
    int index = GetSelectedOrBeep();
    int count;

    if (index == -1)
        return;
    SendMessageA(hList, LVM_DELETEITEM, index, 0);
    FitListColumn();
    count = GetItemCount();
    if (index > count - 1)
        index = count - 1;
    SelectItem(index);
}
