// Starts dxrestore.exe from the extension's own folder for one file or folder.
#include "dxmenu/show_copies.h"
#include "dxmenu/server.h"

#include "app/program.h"

#include <string.h>

int IsPathThere(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int StartCopiesWindow(const char *path)
{
    char module[MAX_PATH] = "", file[MAX_PATH] = "", folder[MAX_PATH] = "";
    char line[2 * MAX_PATH + 8] = "";
    DWORD len = GetModuleFileNameA(g_hModule, module, sizeof(module));
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;

    // A cut name could start some other program.
    if (len == 0 || len >= sizeof(module) || !MakeCompanionPath(module, COPIES_FILE, file, MAX_PATH))
        return 0;
    lstrcpynA(folder, file, sizeof(folder));
    *(char *)FindLastBackslash(folder) = '\0';
    wsprintfA(line, "\"%s\" \"%s\"", file, path);
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    if (!CreateProcessA(file, line, NULL, NULL, FALSE, 0, NULL, folder, &si, &pi))
        return 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 1;
}
