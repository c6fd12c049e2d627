// Duplix.log: one line per event, local time first, in the backup folder
// (in the temporary folder while that cannot be written). At 64 KiB it
// becomes Duplix.log.old, and a new one starts.
#include "notifier/notifier.h"

#include <stdarg.h>

#define LOG_NAME "Duplix.log"
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

// Makes room for a line of size bytes: a log that would pass its limit
// becomes the old one.
static void RotateIfFull(const char *path, DWORD size)
{
    char old[MAX_PATH + 8];
    WIN32_FIND_DATAA info;

    if (!GetPathInfo(path, &info) || info.nFileSizeHigh != 0 || info.nFileSizeLow + size <= LOG_LIMIT)
        return;
    lstrcpynA(old, path, MAX_PATH);
    lstrcatA(old, OLD_LOG_SUFFIX);
    DeleteFileA(old);
    MoveFileA(path, old);
}

static int AppendTo(const char *folder, const char *line, DWORD size)
{
    char path[MAX_PATH];
    HANDLE file;
    DWORD written = 0;

    if (!JoinPath(path, sizeof(path), folder, LOG_NAME))
        return 0;
    RotateIfFull(path, size);
    // Others may read the log while we write it.
    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    SetFilePointer(file, 0, NULL, FILE_END);
    WriteFile(file, line, size, &written, NULL);
    CloseHandle(file);
    return written == size;
}

void WriteLog(const char *format, ...)
{
    char line[LINE_SIZE], temp[MAX_PATH];
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
    if (GetTempPathA(sizeof(temp), temp) > 0 && lstrlenA(temp) < (int)sizeof(temp))
        AppendTo(temp, line, (DWORD)used);
}
