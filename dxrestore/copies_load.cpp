// What the window opens with: the file's full path, the backup path as the
// notifier uses it, the versions found there, and whether the file is
// still backed up. A file taken off the list keeps its copies, and they are
// shown all the same: it may be the very reason to look for them.
#include "dxrestore/copies.h"

#include "store/reg_value.h"
#include "store/settings_read.h"

// Whether some list entry backs the file up, by the notifier's own rule.
static int IsOnBackupList(const char *source, const char *backup)
{
    char text[MAX_PATH], entry[MAX_PATH];
    int i;

    for (i = 0; ReadListItem(i, text); i++) {
        if (NormalizeSourcePath(text, entry) && IsListedBy(source, entry, backup))
            return 1;
    }
    return 0;
}

static void ShowUnreadable(const char *backup)
{
    char text[MAX_PATH + 64] = "The backup path cannot be read:\n";

    AppendText(text, sizeof(text), backup);
    ShowSystemError(text);
}

int LoadCopies(const char *path, CopiesWindow *w)
{
    char full[MAX_PATH];
    char *namePart = NULL;
    DWORD len;

    ZeroMemory(w, sizeof(*w));
    len = GetFullPathNameA(path, sizeof(full), full, &namePart);
    if (len == 0 || len >= sizeof(full) || !NormalizeSourcePath(full, w->source))
        return 0;
    RepairCutRestore(w->source);
    ReadBackupFolder(w->backup);
    w->readable = FindCopies(w->backup, w->source, &w->copies);
    if (!w->readable)
        ShowUnreadable(w->backup);
    w->listed = IsOnBackupList(w->source, w->backup);
    return 1;
}
