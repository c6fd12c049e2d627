// The save of the backup path and the backup list from the dialog's controls.
#include "store/settings_store.h"

#include "dialog/list_ops.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"
#include "store/reg_value.h"

#include <limits.h>

typedef char EntryText[MAX_PATH];

static void SaveBackupPath(void)
{
    char path[MAX_PATH] = "";

    // GetDlgItemTextA cuts at 259 characters and terminates; 0 is empty.
    if (GetDlgItemTextA(g_hDlg, IDC_BACKUP_PATH, path, sizeof(path)) == 0)
        lstrcpynA(path, DEFAULT_BACKUP_PATH, sizeof(path));
    WriteRegString(HKEY_CURRENT_USER, BACKUP_PATH_VALUE, path);
}

static void SaveEntry(int index, const char *text)
{
    char name[LIST_NAME_SIZE];

    MakeListItemName(name, index);
    // A failed write has shown its box; the other entries are still saved.
    WriteRegString(HKEY_CURRENT_USER, name, text);
}

// Copies of all entry texts, taken before the first write: a write's error
// box lets requests change the list, and the list saved is the one shown
// when OK was pressed. 0 when memory is short; an empty list gives no copies.
static int CopyEntries(HWND hList, EntryText **texts, int *count)
{
    int n = CountListItems(hList);

    *texts = NULL;
    *count = 0;
    if (n <= 0)
        return 1;
    if ((SIZE_T)n > ((SIZE_T)-1) / sizeof(EntryText))
        return 0;
    *texts = (EntryText *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)n * sizeof(EntryText));
    if (*texts == NULL)
        return 0;
    for (int i = 0; i < n; i++)
        ReadListText(hList, i, (*texts)[i]);
    *count = n;
    return 1;
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
    // OK confirms the backup path with whatever disk lies there now: the
    // notifier started next takes it as the one that holds the copies.
    RegDeleteValueA(key, BACKUP_DISK_VALUE);
    for (i = first; i < INT_MAX; i++) {
        MakeListItemName(name, i);
        if (RegDeleteValueA(key, name) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
}

// Short of memory for the copies, each entry is read just before its write,
// the count asked anew each time.
static int SaveEntriesInPlace(HWND hList)
{
    char text[MAX_PATH];
    int i;

    for (i = 0; i < CountListItems(hList); i++) {
        ReadListText(hList, i, text);
        SaveEntry(i, text);
    }
    return i;
}

int SaveSettings(void)
{
    HWND hList = GetFileList();
    EntryText *texts = NULL;
    int count = 0;
    int copied = CopyEntries(hList, &texts, &count);
    int saved = count;

    SaveBackupPath();
    // The entries are rewritten in place before the tail goes, so that a
    // reader never finds the whole list gone while it has entries.
    for (int i = 0; i < count; i++)
        SaveEntry(i, texts[i]);
    if (texts != NULL)
        HeapFree(GetProcessHeap(), 0, texts);
    if (!copied)
        saved = SaveEntriesInPlace(hList);
    RemoveStaleEntries(saved);
    return saved > 0;
}
