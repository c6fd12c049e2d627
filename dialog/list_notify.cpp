// The list control's notifications: keys, activation, header click, label edits.
#include "dialog/list_edit.h"

#include "dialog/list_ops.h"
#include "res/resource.h"

#include <commctrl.h>

static INT_PTR OnListKeyDown(const NMLVKEYDOWN *key)
{
    // Only the key counts: Shift+Delete removes as Delete does.
    switch (key->wVKey) {
    case VK_SPACE:
        RunCommand(IDC_OPEN_ITEM);
        break;
    case VK_F2:
        RunCommand(IDC_EDIT_ITEM);
        break;
    case VK_INSERT:
        RunCommand(IDC_NEW_ITEM);
        break;
    case VK_DELETE:
        RunCommand(IDC_REMOVE_ITEM);
        break;
    }
    return TRUE;
}

// The entries take their sorted place whenever they are added; a click on the
// header asks the list to sort without a comparison of its own, which the list
// control takes as nothing to do, so the order stays as the user sees it.
static INT_PTR OnColumnClick(void)
{
    SendMessageA(GetFileList(), LVM_SORTITEMS, 0, 0);
    return TRUE;
}

static INT_PTR OnEndLabelEdit(const NMLVDISPINFOA *info)
{
    LVITEMA item;

    if (info->item.pszText == NULL || info->item.pszText[0] == '\0')
        return FALSE;
    ZeroMemory(&item, sizeof(item));
    item.iSubItem = 0;
    item.pszText = info->item.pszText;
    SendMessageA(GetFileList(), LVM_SETITEMTEXTA, info->item.iItem, (LPARAM)&item);
    FitListColumn();
    return TRUE;
}

INT_PTR OnListNotify(const NMHDR *hdr)
{
    switch (hdr->code) {
    case LVN_KEYDOWN:
        return OnListKeyDown((const NMLVKEYDOWN *)hdr);
    case LVN_ITEMACTIVATE:
        RunCommand(IDC_CHANGE_ITEM);
        return TRUE;
    case LVN_COLUMNCLICK:
        return OnColumnClick();
    case LVN_ENDLABELEDITA:
        return OnEndLabelEdit((const NMLVDISPINFOA *)hdr);
    }
    return FALSE;
}
