// Shared operations on the backup list: find, add, select, fit.
#include "dialog/list_ops.h"

#include "dialog/settings_dlg.h"
#include "res/resource.h"

#include <commctrl.h>

HWND GetFileList(void)
{
    return GetDlgItem(g_hDlg, IDC_FILE_LIST);
}

void FitListColumn(void)
{
    SendMessageA(GetFileList(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
}
