// The dialog's stored state: its position, the backup path and the list.
#include "dialog/persistence.h"

#include "app/program.h"
#include "dialog/list_batch.h"
#include "dialog/list_ops.h"
#include "res/resource.h"
#include "store/reg_value.h"
#include "store/settings_read.h"
#include "store/settings_store.h"

int DefaultPlacement(int workStart, int workSize, int windowSize)
{
    return workStart + 3 * ((workSize - windowSize) / 4);
}

void PlaceWindow(HWND hDlg)
{
    RECT work, rc;
    int width, height, left, top;

    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(hDlg, &rc);
    width = rc.right - rc.left;
    height = rc.bottom - rc.top;
    left = ReadRegDword(HKEY_CURRENT_USER, WND_LEFT_VALUE);
    if (left == -1)
        left = DefaultPlacement(work.left, work.right - work.left, width);
    top = ReadRegDword(HKEY_CURRENT_USER, WND_TOP_VALUE);
    if (top == -1)
        top = DefaultPlacement(work.top, work.bottom - work.top, height);
    SetWindowPos(hDlg, NULL, left, top, width, height, SWP_NOZORDER);
}

void LoadBackupPath(HWND hDlg)
{
    char path[MAX_PATH];

    ReadBackupPath(path);
    SetDlgItemTextA(hDlg, IDC_BACKUP_PATH, path);
}

void LoadBackupList(void)
{
    char text[MAX_PATH];
    char last[MAX_PATH] = "";
    ItemBatch batch;
    int batching = 1;
    int n;

    // The texts are gathered first and go into the list together, which
    // costs time in proportion to the list; the gathered copies are gone
    // before the dialog shows.
    ZeroMemory(&batch, sizeof(batch));
    for (n = 0; ReadListItem(n, text); n++) {
        // Short of memory: what came so far goes in, the rest one by one.
        if (batching && !AppendToBatch(&batch, text)) {
            AddBatchToList(&batch);
            batching = 0;
        }
        if (!batching)
            FindOrAddItem(text);
        lstrcpynA(last, text, sizeof(last));
    }
    AddBatchToList(&batch);
    // Selecting and fitting after each entry would end the same way, at a
    // cost that grows with the square of the list: do it once, for the
    // entry loaded last.
    if (n > 0)
        AddOrSelectItem(last);
}

void StoreSettingsAndRestartNotifier(void)
{
    int hasEntries = SaveSettings();

    SignalStopEvent();
    if (hasEntries)
        LaunchNotifier();
}

// A minimised dialog lies far off the screen; where it shows again when
// restored is the position worth keeping.
static void GetRestoredRect(HWND hDlg, RECT *rc)
{
    WINDOWPLACEMENT wp;
    RECT work;

    GetWindowRect(hDlg, rc);
    if (!IsIconic(hDlg))
        return;
    ZeroMemory(&wp, sizeof(wp));
    wp.length = sizeof(wp);
    if (!GetWindowPlacement(hDlg, &wp))
        return;
    // The restored rectangle is relative to the work area.
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    *rc = wp.rcNormalPosition;
    OffsetRect(rc, work.left, work.top);
}

void StoreWindowPosition(HWND hDlg)
{
    RECT rc;

    GetRestoredRect(hDlg, &rc);
    WriteRegDword(HKEY_CURRENT_USER, WND_LEFT_VALUE, rc.left);
    WriteRegDword(HKEY_CURRENT_USER, WND_TOP_VALUE, rc.top);
}
