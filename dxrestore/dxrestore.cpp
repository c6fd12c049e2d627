// dxrestore.exe PATH: the copies window for one file, listed or not,
// there or deleted. A relative PATH is taken from the current folder.
#include "dxrestore/copies.h"

#include "app/program.h"

#include <commctrl.h>

#define USAGE_TEXT                                                                         \
    "Usage: dxrestore.exe PATH\n\n"                                                        \
    "Shows the saved copies of the file PATH, to open, save elsewhere or put back.\n"      \
    "PATH is a full or relative path of at most 259 characters."

// The one argument, quoted or not; 0 when there is none or it is too long.
static int TakeArgument(const char *line, char *path)
{
    const char *start, *end;

    while (*line == ' ' || *line == '\t')
        line++;
    start = line;
    if (*start == '"') {
        start++;
        for (end = start; *end != '\0' && *end != '"'; end = CharNextA(end))
            ;
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

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE hPrev, LPSTR cmdLine, int show)
{
    char path[MAX_PATH];

    (void)hInst;
    (void)hPrev;
    (void)show;
    InitCommonControls();
    if (!TakeArgument(cmdLine, path) || !RunCopiesWindow(path)) {
        MessageBoxA(NULL, USAGE_TEXT, PRODUCT_TITLE, MB_OK | MB_ICONERROR);
        return 1;
    }
    return 0;
}
