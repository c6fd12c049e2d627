// The report lists of the companions' windows (the copies windows, the
// notifier's status window): columns, cells, and widths.
#include "app/report_list.h"

void AddListColumn(HWND list, int index, const char *text, int width)
{
    char header[32];
    LVCOLUMNA col;

    lstrcpynA(header, text, sizeof(header));
    ZeroMemory(&col, sizeof(col));
    col.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.cx = width;
    col.pszText = header;
    col.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, (LPARAM)&col);
}

void SetListCell(HWND list, int row, int column, char *text)
{
    LVITEMA item;

    ZeroMemory(&item, sizeof(item));
    item.iSubItem = column;
    item.pszText = text;
    SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&item);
}

// Every column as wide as its texts; the widest one gets the rest, and more
// when it needs it (the list scrolls sideways then).
void FitListColumns(HWND list, int widest)
{
    RECT rc;
    int columns = (int)SendMessageA((HWND)SendMessageA(list, LVM_GETHEADER, 0, 0), HDM_GETITEMCOUNT, 0, 0);
    int column, rest;

    for (column = 0; column < columns; column++)
        SendMessageA(list, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE_USEHEADER);
    GetClientRect(list, &rc);
    rest = rc.right;
    for (column = 0; column < columns; column++) {
        if (column != widest)
            rest -= (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0);
    }
    if (rest > (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, widest, 0))
        SendMessageA(list, LVM_SETCOLUMNWIDTH, widest, rest);
}
