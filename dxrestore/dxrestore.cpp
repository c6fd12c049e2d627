// dxrestore.exe [/at "YYYY-MM-DD HH:MM"] PATH: the copies window for one
// file, listed or not, there or deleted, or the folder window for a folder;
// with /at, as it was at that local time. A relative PATH is taken from
// the current folder.
#include "dxrestore/folder.h"

#include "app/program.h"

#include <commctrl.h>

#define USAGE_TEXT                                                                         \
    "Usage: dxrestore.exe [/at \"YYYY-MM-DD HH:MM\"] PATH\n\n"                             \
    "Shows the saved copies of the file PATH, to open, save elsewhere or put back,\n"      \
    "or the files of the folder PATH as they were at a moment.\n"                          \
    "PATH is a full or relative path of at most 259 characters.\n"                         \
    "/at shows them as they were at that time."
#define AT_SWITCH "/at"
#define MOMENT_TEXT_SIZE 16

static const char *SkipBlanks(const char *line)
{
    while (*line == ' ' || *line == '\t')
        line++;
    return line;
}

// The one argument, quoted or not; 0 when there is none or it is too long.
static int TakeArgument(const char *line, char *path)
{
    const char *start, *end;

    start = SkipBlanks(line);
    if (*start == '"') {
        start++;
        for (end = start; *end != '\0' && *end != '"'; end = CharNextA(end))
            ;
        if (*end == '"' && *SkipBlanks(end + 1) != '\0')
            return 0;
    } else {
        end = start + lstrlenA(start);
        while (end > start && (end[-1] == ' ' || end[-1] == '\t'))
            end--;
    }
    if (end == start || end - start >= MAX_PATH)
        return 0;
    lstrcpynA(path, start, (int)(end - start) + 1);
    return 1;
}

// A number of count digits at text; -1 when they are not all digits.
static int ReadDigits(const char *text, int count)
{
    int value = 0, i;

    for (i = 0; i < count; i++) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + text[i] - '0';
    }
    return value;
}

// "YYYY-MM-DD HH:MM" local time, quoted, as UTC; the rest of the line
// after it, NULL when it is no such moment.
static const char *TakeMoment(const char *line, FILETIME *at)
{
    const char *text = SkipBlanks(line) + 1;
    SYSTEMTIME st;
    FILETIME local;

    if (text[-1] != '"' || lstrlenA(text) < MOMENT_TEXT_SIZE + 1 || text[4] != '-' || text[7] != '-' ||
        text[10] != ' ' || text[13] != ':' || text[MOMENT_TEXT_SIZE] != '"')
        return NULL;
    ZeroMemory(&st, sizeof(st));
    st.wYear = (WORD)ReadDigits(text, 4);
    st.wMonth = (WORD)ReadDigits(text + 5, 2);
    st.wDay = (WORD)ReadDigits(text + 8, 2);
    st.wHour = (WORD)ReadDigits(text + 11, 2);
    st.wMinute = (WORD)ReadDigits(text + 14, 2);
    if (ReadDigits(text, 4) < 1601 || st.wMonth > 12 || st.wDay > 31 || st.wHour > 23 || st.wMinute > 59 ||
        !SystemTimeToFileTime(&st, &local) || !LocalFileTimeToFileTime(&local, at))
        return NULL;
    return text + MOMENT_TEXT_SIZE + 1;
}

// The folder window for a folder (or one with copies only), else the file's.
static int RunWindowFor(const char *path, const FILETIME *at)
{
    char full[MAX_PATH], source[MAX_PATH], backup[MAX_PATH];
    char *namePart = NULL;
    DWORD len = GetFullPathNameA(path, sizeof(full), full, &namePart);

    if (len == 0 || len >= sizeof(full) || !NormalizeSourcePath(full, source))
        return 0;
    ReadBackupFolder(backup);
    return IsFolderPath(backup, source) ? RunFolderWindow(source, at) : RunCopiesWindow(source, at);
}

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE hPrev, LPSTR cmdLine, int show)
{
    char path[MAX_PATH];
    const char *rest = SkipBlanks(cmdLine);
    FILETIME at = {0, 0};

    (void)hInst;
    (void)hPrev;
    (void)show;
    InitCommonControls();
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, rest, 3, AT_SWITCH, 3) == CSTR_EQUAL &&
        (rest[3] == ' ' || rest[3] == '\t'))
        rest = TakeMoment(rest + 3, &at);
    if (rest == NULL || !TakeArgument(rest, path) || !RunWindowFor(path, &at)) {
        MessageBoxA(NULL, USAGE_TEXT, PRODUCT_TITLE, MB_OK | MB_ICONERROR);
        return 1;
    }
    return 0;
}
