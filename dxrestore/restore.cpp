// Putting a saved version back in place of the file. The file's present
// content is copied first into a folder of its own under the backup path,
// named by the time of the restore, where the notifier never writes or
// prunes: a restore can always be undone.
#include "dxrestore/copies.h"

#define MAX_SAME_SECOND 99

int IsInUseError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

int MakeKeepPath(const CopiesWindow *w, char *keep, int size)
{
    char name[MAX_PATH], stamp[32], folder[LONG_PATH];
    SYSTEMTIME now;
    WIN32_FIND_DATAA info;
    int n;

    GetLocalTime(&now);
    FormatStamp(&now, stamp);
    // Two restores within a second each keep their own content.
    for (n = 1; n <= MAX_SAME_SECOND; n++) {
        if (n == 1)
            wsprintfA(name, "%s\\%s", BEFORE_RESTORE_FOLDER, stamp);
        else
            wsprintfA(name, "%s\\%s (%d)", BEFORE_RESTORE_FOLDER, stamp, n);
        if (!JoinPath(folder, sizeof(folder), w->backup, name))
            return 0;
        if (!GetPathInfo(folder, &info))
            return MapToBackup(folder, w->source, keep, size);
    }
    return 0;
}

int RestoreVersion(const char *copy, const char *source, const char *keep)
{
    HANDLE probe;

    if (keep != NULL && keep[0] != '\0') {
        // A file another program holds is found out before anything is
        // written: it stays as it is, and nothing is kept for nothing.
        probe = OpenPath(source, GENERIC_READ | GENERIC_WRITE, ShareAll(), OPEN_EXISTING, 0);
        if (probe == INVALID_HANDLE_VALUE)
            return 0;
        CloseHandle(probe);
        if (CopyThroughTemp(source, keep, PLACE_RENAME, NULL) != COPY_DONE)
            return 0;
    }
    return CopyThroughTemp(copy, source, PLACE_KEEP_TARGET, NULL) == COPY_DONE;
}
