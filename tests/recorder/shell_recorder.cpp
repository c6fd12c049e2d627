// Stands in for the program the shell starts for a web page or a document:
// appends its second argument, one line, to the file its first names.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrev, LPSTR cmdLine, int show)
{
    (void)hInstance;
    (void)hPrev;
    (void)cmdLine;
    (void)show;
    if (__argc < 3)
        return 1;
    HANDLE h = CreateFileA(__argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                           0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(h, __argv[2], (DWORD)strlen(__argv[2]), &written, NULL);
    WriteFile(h, "\n", 1, &written, NULL);
    CloseHandle(h);
    return 0;
}
