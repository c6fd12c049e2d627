// Putting a saved version back in place of the file. The file's present
// content is copied first into a folder of its own under the backup path,
// named by the time of the restore, where the notifier never writes or
// prunes: a restore can always be undone. What to keep is decided as late
// as possible: the file may change while the user is asked.
#include "dxrestore/copies.h"

#define MAX_SAME_SECOND 99

int IsInUseError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

static int IsGoneError(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

int MakeKeepFolder(const char *backup, char *folder, int size)
{
    char name[MAX_PATH], stamp[32];
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
        if (!JoinPath(folder, size, backup, name))
            return 0;
        if (!GetPathInfo(folder, &info))
            return 1;
    }
    return 0;
}

int MakeKeepPath(const CopiesWindow *w, char *keep, int size)
{
    char folder[LONG_PATH];

    return MakeKeepFolder(w->backup, folder, sizeof(folder)) && MapToBackup(folder, w->source, keep, size);
}

int ChooseKeepPath(const CopiesWindow *w, const char *asked, char *keep, int size)
{
    WIN32_FIND_DATAA info;

    keep[0] = '\0';
    if (!GetPathInfo(w->source, &info))
        return 1;
    if (asked[0] != '\0' && !GetPathInfo(asked, &info)) {
        lstrcpynA(keep, asked, size);
        return 1;
    }
    return MakeKeepPath(w, keep, size);
}

// A file another program holds is found out before anything is written:
// it stays as it is, and nothing is kept for nothing. A read-only file is
// only opened for reading, and put back all the same.
static HANDLE ProbeFile(const char *source)
{
    WIN32_FIND_DATAA info;
    HANDLE probe = OpenPath(source, GENERIC_READ | GENERIC_WRITE, ShareAll(), OPEN_EXISTING, 0);

    if (probe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED)
        return probe;
    if (!GetPathInfo(source, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return OpenPath(source, GENERIC_READ, ShareAll(), OPEN_EXISTING, 0);
}

// The version is staged beside the file first, then takes its place while
// the present content goes to keep: whatever the file held at that instant
// is kept, and it costs one copy of the data where the two share a disk.
static int RestoreKeeping(const CopiesWindow *w, const CopyVersion *version, const char *keep)
{
    char staged[LONG_PATH];
    int result;

    if (!MakeTempName(w->source, staged)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FAIL_TOO_LONG;
    }
    result = CopyVersionTo(w, version, w->source, PLACE_STAGED);
    return result == COPY_DONE ? PlaceKeepingAside(staged, w->source, keep) : result;
}

int RestoreVersion(const CopiesWindow *w, const CopyVersion *version, char *keep)
{
    HANDLE probe;

    // A version gone already fails its staged copy: nothing is kept for it.
    if (keep[0] != '\0') {
        probe = ProbeFile(w->source);
        if (probe == INVALID_HANDLE_VALUE && !IsGoneError(GetLastError()))
            return COPY_RETRY;
        if (probe == INVALID_HANDLE_VALUE) {
            keep[0] = '\0';  // deleted since the choice: nothing to keep
        } else {
            CloseHandle(probe);
            return RestoreKeeping(w, version, keep);
        }
    }
    return CopyVersionTo(w, version, w->source, PLACE_KEEP_TARGET);
}

// Windows 9x replaces a file by renames (see ReplaceByRenames): a power cut
// may leave the old file aside as <file>.~old and none in place.
void RepairCutRestore(const char *source)
{
    char temp[LONG_PATH];

    RestoreAside(source);
    if (AddSuffix(temp, sizeof(temp), source, TEMP_SUFFIX))
        DeletePath(temp);
}
