// Duplix.log: one line per event, local time first, in the backup folder
// (in the temporary folder while that cannot be written). At 64 KiB it
// becomes Duplix.log.old, and a new one starts.
#include "notifier/notifier.h"

#include <stdarg.h>

#define OLD_LOG_SUFFIX ".old"
#define LOG_LIMIT (64 * 1024)
// wvsprintfA writes at most 1024 bytes.
#define LINE_SIZE 1100

static char g_backup[MAX_PATH];

void OpenLog(const char *backup)
{
    lstrcpynA(g_backup, backup, sizeof(g_backup));
}

void FormatLogTime(const SYSTEMTIME *local, char *out)
{
    wsprintfA(out, "%04u-%02u-%02u %02u:%02u:%02u ", local->wYear, local->wMonth, local->wDay, local->wHour,
              local->wMinute, local->wSecond);
}

// Lines of two notifiers (two users' sessions) sharing one backup folder
// go in one at a time: each holds this byte, far past any log's end, while
// it looks for the end and writes there.
#define LINE_LOCK_OFFSET 0x7FFFFFF0
#define LOCK_TRIES 50

// Makes room for a line of size bytes: a log that would pass its limit
// becomes the old one. The old generation goes only with the rename that
// replaces it (on Windows 9x it waits aside until then): a log that a viewer
// holds open stays, and grows, until it can be renamed.
static void RotateIfFull(const char *path, DWORD size)
{
    char old[MAX_PATH + sizeof(OLD_LOG_SUFFIX)];
    WIN32_FIND_DATAA info;

    if (!GetPathInfo(path, &info) || (info.nFileSizeHigh == 0 && info.nFileSizeLow + size <= LOG_LIMIT))
        return;
    if (AddSuffix(old, sizeof(old), path, OLD_LOG_SUFFIX))
        MovePathReplacing(path, old);
}

static int LockLines(HANDLE file)
{
    int i;

    for (i = 0; i < LOCK_TRIES; i++) {
        if (LockFile(file, LINE_LOCK_OFFSET, 0, 1, 0))
            return 1;
        Sleep(10);
    }
    return 0;
}

// Into the log in folder (NULL: the temporary folder); 0 when refused.
static int AppendTo(const char *folder, const char *line, DWORD size)
{
    char path[MAX_PATH];
    HANDLE file;
    DWORD written = 0;
    int locked;

    if (!GetLogPath(folder, path, sizeof(path)))
        return 0;
    RotateIfFull(path, size);
    // Others may read, and rename, the log while we write it.
    file = CreateFileA(path, GENERIC_WRITE, ShareAll(), NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    locked = LockLines(file);
    SetFilePointer(file, 0, NULL, FILE_END);
    WriteFile(file, line, size, &written, NULL);
    if (locked)
        UnlockFile(file, LINE_LOCK_OFFSET, 0, 1, 0);
    CloseHandle(file);
    return written == size;
}

void WriteLog(const char *format, ...)
{
    char line[LINE_SIZE];
    SYSTEMTIME local;
    va_list args;
    int used;

    GetLocalTime(&local);
    FormatLogTime(&local, line);
    used = lstrlenA(line);
    va_start(args, format);
    wvsprintfA(line + used, format, args);
    va_end(args);
    lstrcatA(line, "\r\n");
    used = lstrlenA(line);
    if (g_backup[0] != '\0' && AppendTo(g_backup, line, (DWORD)used))
        return;
    AppendTo(NULL, line, (DWORD)used);
}

int GetLogPath(const char *folder, char *path, int size)
{
    char temp[MAX_PATH];
    DWORD length;

    if (folder == NULL) {
        length = GetTempPathA(sizeof(temp), temp);
        if (length == 0 || length >= sizeof(temp))
            return 0;
        folder = temp;
    }
    return folder[0] != '\0' && JoinPath(path, size, folder, LOG_NAME);
}
