// Where the program and its companions lie: the folder of a module's file.
#include "app/program.h"

#include <string.h>

// A result of the full buffer size means the path was cut (and, on older
// systems, left unterminated): such a path is unusable.
static int GetOwnModulePath(char *path)
{
    DWORD len = GetModuleFileNameA(NULL, path, MAX_PATH);

    path[MAX_PATH - 1] = '\0';
    return len != 0 && len < MAX_PATH;
}

int GetProgramFolder(char *folder, int size)
{
    char path[MAX_PATH] = "";
    const char *slash;

    if (folder == NULL || size <= 0)
        return 0;
    folder[0] = '\0';
    if (!GetOwnModulePath(path))
        return 0;
    slash = FindLastBackslash(path);
    if (slash == NULL || (int)(slash - path) >= size)
        return 0;
    path[slash - path] = '\0';
    lstrcpynA(folder, path, size);
    return 1;
}

int MakeCompanionPath(const char *modulePath, const char *file, char *out, int size)
{
    const char *slash = FindLastBackslash(modulePath);
    size_t folderLen;

    if (size <= 0)
        return 0;
    out[0] = '\0';
    if (slash == NULL)
        return 0;
    // Refused rather than cut: a cut name could be some other file.
    folderLen = (size_t)(slash - modulePath);
    if (folderLen + 1 + strlen(file) >= (size_t)size)
        return 0;
    memcpy(out, modulePath, folderLen + 1);
    lstrcpynA(out + folderLen + 1, file, (int)(size - folderLen - 1));
    return 1;
}

int GetCompanionPath(const char *file, char *out)
{
    char path[MAX_PATH] = "";

    out[0] = '\0';
    if (!GetOwnModulePath(path))
        return 0;
    return MakeCompanionPath(path, file, out, MAX_PATH);
}
