// File operations for paths past MAX_PATH: the ANSI calls while the path
// fits them, the wide "\\?\" calls of Windows NT beyond (Windows 9x has none).
#include "notifier/notifier.h"

#include <string.h>

// CreateDirectoryA leaves room for an 8.3 name: its limit is the lowest.
#define ANSI_LIMIT 248
#define WIDE_PATH (LONG_PATH + 8)

struct PathFind {
    HANDLE handle;
    int wide;
};

static int IsWindowsNt(void)
{
    return (GetVersion() & 0x80000000u) == 0;
}

DWORD ShareAll(void)
{
    // Windows 9x rejects FILE_SHARE_DELETE as an invalid parameter.
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    return IsWindowsNt() ? share | FILE_SHARE_DELETE : share;
}

static int FitsAnsi(const char *path)
{
    return strlen(path) < ANSI_LIMIT;
}

int CanUsePath(const char *path)
{
    return FitsAnsi(path) || IsWindowsNt();
}

// "\\?\C:\..." or "\\?\UNC\server\..." in wide characters; 0 when the path
// is not a full one or does not fit.
static int ToWidePath(const char *path, WCHAR *wide)
{
    const char *rest = path;
    int used;

    if (!IsWindowsNt())
        return 0;
    if (path[0] == '\\' && path[1] == '\\') {
        lstrcpyW(wide, L"\\\\?\\UNC");
        rest = path + 1;
    } else if (path[0] != '\0' && path[1] == ':' && path[2] == '\\') {
        lstrcpyW(wide, L"\\\\?\\");
    } else {
        return 0;
    }
    used = lstrlenW(wide);
    return MultiByteToWideChar(CP_ACP, 0, rest, -1, wide + used, WIDE_PATH - used) > 0;
}

HANDLE OpenPath(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return CreateFileA(path, access, share, NULL, disposition, flags, NULL);
    if (!ToWidePath(path, wide))
        return INVALID_HANDLE_VALUE;
    return CreateFileW(wide, access, share, NULL, disposition, flags, NULL);
}

int MakeFolder(const char *path)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return CreateDirectoryA(path, NULL) != FALSE;
    return ToWidePath(path, wide) && CreateDirectoryW(wide, NULL) != FALSE;
}

int DeletePath(const char *path)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return DeleteFileA(path) != FALSE;
    return ToWidePath(path, wide) && DeleteFileW(wide) != FALSE;
}

static int RemoveFolder(const char *path)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return RemoveDirectoryA(path) != FALSE;
    return ToWidePath(path, wide) && RemoveDirectoryW(wide) != FALSE;
}

int MovePathReplacing(const char *from, const char *to)
{
    WCHAR wideFrom[WIDE_PATH], wideTo[WIDE_PATH];

    if (FitsAnsi(from) && FitsAnsi(to)) {
        if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING))
            return 1;
        if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
            return 0;
        // Windows 9x has no replacing move: the old copy goes first, so for
        // a moment there is none, but never a partial one.
        DeleteFileA(to);
        return MoveFileA(from, to) != FALSE;
    }
    return ToWidePath(from, wideFrom) && ToWidePath(to, wideTo) &&
           MoveFileExW(wideFrom, wideTo, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

static void ToAnsiFind(const WIN32_FIND_DATAW *wide, WIN32_FIND_DATAA *data)
{
    data->dwFileAttributes = wide->dwFileAttributes;
    data->ftCreationTime = wide->ftCreationTime;
    data->ftLastAccessTime = wide->ftLastAccessTime;
    data->ftLastWriteTime = wide->ftLastWriteTime;
    data->nFileSizeHigh = wide->nFileSizeHigh;
    data->nFileSizeLow = wide->nFileSizeLow;
    // A name with no ANSI form comes out empty, and callers skip it.
    if (WideCharToMultiByte(CP_ACP, 0, wide->cFileName, -1, data->cFileName, MAX_PATH, NULL, NULL) == 0)
        data->cFileName[0] = '\0';
    data->cAlternateFileName[0] = '\0';
}

static int FindFirstPath(const char *pattern, PathFind *find, WIN32_FIND_DATAA *data)
{
    WCHAR wide[WIDE_PATH];
    WIN32_FIND_DATAW wideData;

    find->wide = !FitsAnsi(pattern);
    if (!find->wide) {
        find->handle = FindFirstFileA(pattern, data);
        return find->handle != INVALID_HANDLE_VALUE;
    }
    find->handle = INVALID_HANDLE_VALUE;
    if (!ToWidePath(pattern, wide))
        return 0;
    find->handle = FindFirstFileW(wide, &wideData);
    if (find->handle == INVALID_HANDLE_VALUE)
        return 0;
    ToAnsiFind(&wideData, data);
    return 1;
}

static int FindNextPath(PathFind *find, WIN32_FIND_DATAA *data)
{
    WIN32_FIND_DATAW wideData;

    if (!find->wide)
        return FindNextFileA(find->handle, data) != FALSE;
    if (!FindNextFileW(find->handle, &wideData))
        return 0;
    ToAnsiFind(&wideData, data);
    return 1;
}

int GetPathInfo(const char *path, WIN32_FIND_DATAA *info)
{
    PathFind find;

    if (strchr(path, '*') != NULL || strchr(path, '?') != NULL)
        return 0;
    if (!FindFirstPath(path, &find, info))
        return 0;
    FindClose(find.handle);
    return 1;
}

int MakeFolderTree(const char *path)
{
    char part[LONG_PATH];
    WIN32_FIND_DATAA info;
    char *slash;

    if (GetPathInfo(path, &info))
        return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (MakeFolder(path))
        return 1;
    lstrcpynA(part, path, sizeof(part));
    slash = strrchr(part, '\\');
    if (slash == NULL || slash == part || slash[-1] == ':' || slash[-1] == '\\')
        return 0;
    *slash = '\0';
    return MakeFolderTree(part) && (MakeFolder(path) || GetPathInfo(path, &info));
}

// Removes what lies in path (a buffer of LONG_PATH, used to build the
// names of the children) and then path itself.
static void RemoveTreeIn(char *path)
{
    size_t len = strlen(path);
    WIN32_FIND_DATAA data;
    PathFind find;
    int more;

    if (!JoinPath(path, LONG_PATH, path, "*"))
        return;
    more = FindFirstPath(path, &find, &data);
    path[len] = '\0';
    for (; more; more = FindNextPath(&find, &data)) {
        if (data.cFileName[0] == '\0' || lstrcmpA(data.cFileName, ".") == 0 || lstrcmpA(data.cFileName, "..") == 0)
            continue;
        if (!JoinPath(path, LONG_PATH, path, data.cFileName))
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTreeIn(path);
        else
            DeletePath(path);
        path[len] = '\0';
    }
    if (find.handle != INVALID_HANDLE_VALUE)
        FindClose(find.handle);
    RemoveFolder(path);
}

void RemoveTree(const char *path)
{
    char work[LONG_PATH];

    lstrcpynA(work, path, sizeof(work));
    RemoveTreeIn(work);
}

// Calls found(name, data, context) for each file (not folder) directly in
// folder; stops early when found returns 0.
int ForEachFileIn(const char *folder, int (*found)(const char *file, void *context), void *context)
{
    char pattern[LONG_PATH], file[LONG_PATH];
    WIN32_FIND_DATAA data;
    PathFind find;
    int more, go = 1;

    if (!JoinPath(pattern, sizeof(pattern), folder, "*"))
        return 1;
    for (more = FindFirstPath(pattern, &find, &data); more && go; more = FindNextPath(&find, &data)) {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || data.cFileName[0] == '\0')
            continue;
        if (JoinPath(file, sizeof(file), folder, data.cFileName))
            go = found(file, context);
    }
    if (find.handle != INVALID_HANDLE_VALUE)
        FindClose(find.handle);
    return go;
}
