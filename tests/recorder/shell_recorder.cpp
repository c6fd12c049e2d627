// Stands in for the browser that the shell starts for a web address: appends
// the address, one line, to shell_recorder.log beside itself.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char log[MAX_PATH + 32] = "";
    DWORD len = GetModuleFileNameA(NULL, log, MAX_PATH);
    char *slash = strrchr(log, '\\');
    if (__argc < 2 || len == 0 || len >= MAX_PATH || slash == NULL)
        return 1;
    lstrcpyA(slash + 1, "shell_recorder.log");
    HANDLE h = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(h, __argv[1], (DWORD)strlen(__argv[1]), &written, NULL);
    WriteFile(h, "\n", 1, &written, NULL);
    CloseHandle(h);
    return 0;
}
