// The save of the backup path and the backup list from the dialog's controls.
#include "store/settings_store.h"

#include "dialog/list_ops.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"
#include "store/reg_value.h"

#include <limits.h>

static void SaveBackupPath(void)
{
    char path[MAX_PATH] = "";

    // GetDlgItemTextA cuts at 259 characters and terminates; 0 is empty.
    if (GetDlgItemTextA(g_hDlg, IDC_BACKUP_PATH, path, sizeof(path)) == 0)
        lstrcpynA(path, DEFAULT_BACKUP_PATH, sizeof(path));
    WriteRegString(HKEY_CURRENT_USER, BACKUP_PATH_VALUE, path);
}

static void SaveEntry(HWND hList, int index)
{
    char text[MAX_PATH];
    char name[LIST_NAME_SIZE];

    ReadListText(hList, index, text);
    MakeListItemName(name, index);
    // A failed write has shown its box; the other entries are still saved.
    WriteRegString(HKEY_CURRENT_USER, name, text);
}

// Deletes the list values from number first upward, up to the first number
// that is missing. Stays quiet when the key cannot be opened.
static void RemoveStaleEntries(int first)
{
    char name[LIST_NAME_SIZE];
    HKEY key;
    int i;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, PRODUCT_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (i = first; i < INT_MAX; i++) {
        MakeListItemName(name, i);
        if (RegDeleteValueA(key, name) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
}

int SaveSettings(void)
{
    HWND hList = GetFileList();
    int result = 0;
    int i = 0;

    SaveBackupPath();
    // The entries are rewritten in place before the tail goes, so that a
    // reader never finds the whole list gone while it has entries. The count
    // is asked anew each time: a failed write's box lets the list change.
    if (CountListItems(hList) > 0) {
        result = 1;
        do {
            SaveEntry(hList, i);
            i++;
        } while (i < CountListItems(hList));
    }
    RemoveStaleEntries(i);
    return result;
}
