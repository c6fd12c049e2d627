// Which disk lies at the backup path. When copies first go to a path, the
// backup folder gets a mark (a number made then) and the product key keeps
// it with the path's hash: another stick that took the drive letter, an
// empty mount point or a share that came back empty has no such folder or
// another mark, and gets no new backup until the user confirms the path
// with OK in the settings, which forgets the kept mark.
#include "notifier/notifier.h"
#include "notifier/trouble/trouble.h"

#include "store/reg_value.h"
#include "store/settings_store.h"

#define MARK_DIGITS 16

// The mark the product key keeps for this path, read at the first look
// only: OK in the settings, which forgets it, starts another notifier.
// Only the disk's thread looks.
static struct {
    int read, known;
    char mark[MARK_DIGITS + 1];
} g_kept;

static int IsMark(const char *text)
{
    int i;

    for (i = 0; i < MARK_DIGITS; i++) {
        if (!((text[i] >= '0' && text[i] <= '9') || (text[i] >= 'A' && text[i] <= 'F')))
            return 0;
    }
    return 1;
}

// "<mark> <hash of the path>" in the product key; 0 when none is kept for
// this path.
static int ReadKeptMark(const char *backup, char *mark)
{
    char kept[MAX_PATH], hash[16];

    wsprintfA(hash, "%08lX", HashPath(backup));
    if (!ReadRegString(HKEY_CURRENT_USER, BACKUP_DISK_VALUE, kept) || lstrlenA(kept) != MARK_DIGITS + 9 ||
        !IsMark(kept) || kept[MARK_DIGITS] != ' ' || lstrcmpA(kept + MARK_DIGITS + 1, hash) != 0)
        return 0;
    lstrcpynA(mark, kept, MARK_DIGITS + 1);
    return 1;
}

static int GetKeptMark(const char *backup, char *mark)
{
    if (!g_kept.read)
        g_kept.known = ReadKeptMark(backup, g_kept.mark);
    g_kept.read = 1;
    lstrcpynA(mark, g_kept.mark, MARK_DIGITS + 1);
    return g_kept.known;
}

static void KeepMark(const char *backup, const char *mark)
{
    char kept[MAX_PATH];

    wsprintfA(kept, "%s %08lX", mark, HashPath(backup));
    if (!WriteRegString(HKEY_CURRENT_USER, BACKUP_DISK_VALUE, kept))
        return;
    lstrcpynA(g_kept.mark, mark, MARK_DIGITS + 1);
    g_kept.known = g_kept.read = 1;
}

static int GetMarkPath(const char *backup, char *path)
{
    return JoinPath(path, LONG_PATH, backup, DISK_MARK_NAME);
}

static int ReadMarkFile(const char *backup, char *mark)
{
    char path[LONG_PATH], text[MARK_DIGITS + 1];
    DWORD got = 0;
    HANDLE file;

    if (!GetMarkPath(backup, path))
        return 0;
    file = OpenPath(path, GENERIC_READ, ShareAll(), OPEN_EXISTING, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    ReadFile(file, text, MARK_DIGITS, &got, NULL);
    CloseHandle(file);
    text[got < MARK_DIGITS ? got : MARK_DIGITS] = '\0';
    if (got != MARK_DIGITS || !IsMark(text))
        return 0;
    lstrcpynA(mark, text, MARK_DIGITS + 1);
    return 1;
}

// A new mark, flushed before it is kept: a disk pulled at once keeps it.
static int WriteMarkFile(const char *backup, char *mark)
{
    char path[LONG_PATH];
    FILETIME now;
    DWORD wrote = 0;
    HANDLE file;
    int done;

    GetSystemTimeAsFileTime(&now);
    wsprintfA(mark, "%08lX%08lX", now.dwHighDateTime ^ GetCurrentProcessId(), now.dwLowDateTime ^ GetTickCount());
    if (!GetMarkPath(backup, path))
        return 0;
    file = OpenPath(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    done = WriteFile(file, mark, MARK_DIGITS, &wrote, NULL) && wrote == MARK_DIGITS && FlushFileBuffers(file);
    CloseHandle(file);
    return done;
}

int GetBackupRoot(const char *backup, char *root)
{
    int length = GetRootLength(backup);

    if (length == 0 && backup[0] == '\\' && backup[1] == '\\') {
        lstrcpynA(root, backup, MAX_PATH - 1);
        AppendText(root, MAX_PATH, "\\");
        return 1;
    }
    if (length <= 0 || length >= MAX_PATH)
        return 0;
    lstrcpynA(root, backup, length + 1);
    return 1;
}

static int IsRootThere(const char *backup)
{
    char root[MAX_PATH];
    WIN32_FIND_DATAA info;

    // A relative path lies on the current drive, which is there.
    return !GetBackupRoot(backup, root) || GetPathInfo(root, &info);
}

int LookAtBackupDisk(const char *backup)
{
    char kept[MARK_DIGITS + 1], found[MARK_DIGITS + 1];
    int known;

    if (!IsRootThere(backup))
        return DISK_AWAY;
    known = GetKeptMark(backup, kept);
    // The mark read is the folder there.
    if (ReadMarkFile(backup, found)) {
        if (known)
            return lstrcmpA(kept, found) == 0 ? DISK_THERE : DISK_OTHER;
        KeepMark(backup, found);
        return DISK_THERE;
    }
    // The folder or its mark gone where copies were made: another disk.
    if (known)
        return DISK_OTHER;
    // A path used for the first time. A folder that cannot be made is the
    // copies' to report.
    if (MakeFolderTree(backup) && WriteMarkFile(backup, found))
        KeepMark(backup, found);
    return DISK_THERE;
}
