// File operations for paths past MAX_PATH: the ANSI calls while the path
// fits them, the wide "\\?\" calls of Windows NT beyond (Windows 9x has none).
#include "layout/copy_layout.h"

#include "app/program.h"

#include <string.h>

// CreateDirectoryA leaves room for an 8.3 name: its limit is the lowest.
#define ANSI_LIMIT 248
#define WIDE_PATH (LONG_PATH + 8)

struct PathFind {
    HANDLE handle;
    int wide;
};

// The wide calls, looked up at run time: Windows 9x lacks some of them, and
// a program that imports them would not load there.
typedef HANDLE(WINAPI *CreateFileWCall)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
typedef BOOL(WINAPI *CreateDirectoryWCall)(LPCWSTR, LPSECURITY_ATTRIBUTES);
typedef BOOL(WINAPI *PathWCall)(LPCWSTR);
typedef BOOL(WINAPI *MoveFileExWCall)(LPCWSTR, LPCWSTR, DWORD);
typedef HANDLE(WINAPI *FindFirstFileWCall)(LPCWSTR, LPWIN32_FIND_DATAW);
typedef BOOL(WINAPI *FindNextFileWCall)(HANDLE, LPWIN32_FIND_DATAW);
typedef BOOL(WINAPI *SetAttributesWCall)(LPCWSTR, DWORD);
typedef BOOL(WINAPI *GetAttributesWCall)(LPCWSTR, GET_FILEEX_INFO_LEVELS, LPVOID);
typedef BOOL(WINAPI *CreateHardLinkWCall)(LPCWSTR, LPCWSTR, LPSECURITY_ATTRIBUTES);
typedef BOOL(WINAPI *ReplaceFileWCall)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);

struct WideCalls {
    CreateFileWCall createFile;
    CreateDirectoryWCall createDirectory;
    PathWCall deleteFile;
    PathWCall removeDirectory;
    MoveFileExWCall moveFileEx;
    FindFirstFileWCall findFirstFile;
    FindNextFileWCall findNextFile;
    SetAttributesWCall setAttributes;
    GetAttributesWCall getAttributes;
    // Windows 2000 and later only: NULL before.
    CreateHardLinkWCall createHardLink;
    ReplaceFileWCall replaceFile;
};

int IsWindowsNt(void)
{
    return (GetVersion() & 0x80000000u) == 0;
}

// The wide calls of Windows NT; NULL on Windows 9x or when one is missing.
static const WideCalls *Wide(void)
{
    static WideCalls calls;
    static int state;  // 0 not looked up, 1 found, 2 missing

    if (state == 0) {
        calls.createFile = (CreateFileWCall)FindKernelCall("CreateFileW");
        calls.createDirectory = (CreateDirectoryWCall)FindKernelCall("CreateDirectoryW");
        calls.deleteFile = (PathWCall)FindKernelCall("DeleteFileW");
        calls.removeDirectory = (PathWCall)FindKernelCall("RemoveDirectoryW");
        calls.moveFileEx = (MoveFileExWCall)FindKernelCall("MoveFileExW");
        calls.findFirstFile = (FindFirstFileWCall)FindKernelCall("FindFirstFileW");
        calls.findNextFile = (FindNextFileWCall)FindKernelCall("FindNextFileW");
        calls.setAttributes = (SetAttributesWCall)FindKernelCall("SetFileAttributesW");
        calls.getAttributes = (GetAttributesWCall)FindKernelCall("GetFileAttributesExW");
        calls.createHardLink = (CreateHardLinkWCall)FindKernelCall("CreateHardLinkW");
        calls.replaceFile = (ReplaceFileWCall)FindKernelCall("ReplaceFileW");
        state = IsWindowsNt() && calls.createFile && calls.createDirectory && calls.deleteFile &&
                        calls.removeDirectory && calls.moveFileEx && calls.findFirstFile &&
                        calls.findNextFile && calls.setAttributes && calls.getAttributes
                    ? 1
                    : 2;
    }
    return state == 1 ? &calls : NULL;
}

DWORD ShareAll(void)
{
    // Windows 9x rejects FILE_SHARE_DELETE as an invalid parameter.
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    return IsWindowsNt() ? share | FILE_SHARE_DELETE : share;
}

// A path with a name that only the wide calls can reach.
static int HasWideName(const char *path)
{
    return strchr(path, WIDE_NAME_MARK) != NULL;
}

static int FitsAnsi(const char *path)
{
    return strlen(path) < ANSI_LIMIT && !HasWideName(path);
}

// Converts text to wide characters, a marked name from UTF-8, the rest from
// the ANSI code page; the number of characters written, 0 when it failed.
static int AppendWide(const char *text, int length, WCHAR *wide, int room)
{
    if (length > 0 && text[0] == WIDE_NAME_MARK)
        return MultiByteToWideChar(CP_UTF8, 0, text + 1, length - 1, wide, room);
    return length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text, length, wide, room);
}

// The path in wide characters, name by name; 0 when it does not fit.
static int ConvertNames(const char *path, WCHAR *wide, int room)
{
    const char *name = path, *slash;
    int used = 0, got, length;

    for (;;) {
        slash = FindFirstBackslash(name);
        length = slash != NULL ? (int)(slash - name) : lstrlenA(name);
        got = AppendWide(name, length, wide + used, room - used - 2);
        if (length > 0 && got == 0)
            return 0;
        used += got;
        if (slash == NULL)
            break;
        wide[used++] = L'\\';
        name = slash + 1;
    }
    wide[used] = 0;
    return 1;
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

    if (Wide() == NULL)
        return 0;
    if (path[0] == '\\' && path[1] == '\\') {
        memcpy(wide, L"\\\\?\\UNC", 8 * sizeof(WCHAR));
        rest = path + 1;
    } else if (path[0] != '\0' && path[1] == ':' && path[2] == '\\') {
        memcpy(wide, L"\\\\?\\", 5 * sizeof(WCHAR));
    } else {
        return 0;
    }
    for (used = 0; wide[used] != 0; used++) {
    }
    return ConvertNames(rest, wide + used, WIDE_PATH - used);
}

HANDLE OpenPath(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return CreateFileA(path, access, share, NULL, disposition, flags, NULL);
    if (!ToWidePath(path, wide))
        return INVALID_HANDLE_VALUE;
    return Wide()->createFile(wide, access, share, NULL, disposition, flags, NULL);
}

int MakeFolder(const char *path)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return CreateDirectoryA(path, NULL) != FALSE;
    return ToWidePath(path, wide) && Wide()->createDirectory(wide, NULL) != FALSE;
}

int DeletePath(const char *path)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return DeleteFileA(path) != FALSE;
    return ToWidePath(path, wide) && Wide()->deleteFile(wide) != FALSE;
}

static int RemoveFolder(const char *path)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return RemoveDirectoryA(path) != FALSE;
    return ToWidePath(path, wide) && Wide()->removeDirectory(wide) != FALSE;
}

// Windows 9x cannot rename over a file: the old copy is first renamed
// aside, and put back when the new one cannot take its place, so that there
// is always a whole newest copy under one of the two names.
int ReplaceByRenames(const char *from, const char *to)
{
    char aside[LONG_PATH];
    int hadOld;

    if (!AddSuffix(aside, sizeof(aside), to, ASIDE_SUFFIX))
        return 0;
    RestoreAside(to);
    DeleteFileA(aside);
    hadOld = GetFileAttributesA(to) != INVALID_FILE_ATTRIBUTES;
    if (hadOld && !MoveFileA(to, aside))
        return 0;
    if (MoveFileA(from, to)) {
        DeleteFileA(aside);
        return 1;
    }
    if (hadOld)
        MoveFileA(aside, to);
    return 0;
}

// A replace cut short by a power cut may have left the old copy aside and
// none in place: it goes back before anything else looks at the copy.
void RestoreAside(const char *to)
{
    char aside[LONG_PATH];

    if (GetFileAttributesA(to) != INVALID_FILE_ATTRIBUTES)
        return;
    if (!AddSuffix(aside, sizeof(aside), to, ASIDE_SUFFIX))
        return;
    if (GetFileAttributesA(aside) != INVALID_FILE_ATTRIBUTES)
        MoveFileA(aside, to);
}

// The rename is written through, so after a power cut the directory holds
// the old copy or the new, flushed one.
int MovePathReplacing(const char *from, const char *to)
{
    WCHAR wideFrom[WIDE_PATH], wideTo[WIDE_PATH];
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

    if (!IsWindowsNt())
        return FitsAnsi(from) && FitsAnsi(to) && ReplaceByRenames(from, to);
    if (FitsAnsi(from) && FitsAnsi(to))
        return MoveFileExA(from, to, flags) != FALSE;
    return ToWidePath(from, wideFrom) && ToWidePath(to, wideTo) && Wide()->moveFileEx(wideFrom, wideTo, flags);
}

int MakeHardLink(const char *link, const char *existing)
{
    WCHAR wideLink[WIDE_PATH], wideExisting[WIDE_PATH];

    if (Wide() == NULL || Wide()->createHardLink == NULL || !ToWidePath(link, wideLink) ||
        !ToWidePath(existing, wideExisting)) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    return Wide()->createHardLink(wideLink, wideExisting, NULL) != FALSE;
}

// ReplaceFile of Windows 2000 and later, through the wide call so that any
// path reaches it; 0 where the system has none or refuses.
static int ReplaceByTheSystem(const char *from, const char *to, const char *aside)
{
    WCHAR wideFrom[WIDE_PATH], wideTo[WIDE_PATH], wideAside[WIDE_PATH];

    if (Wide() == NULL || Wide()->replaceFile == NULL || !ToWidePath(from, wideFrom) || !ToWidePath(to, wideTo))
        return 0;
    if (aside != NULL && !ToWidePath(aside, wideAside))
        return 0;
    return Wide()->replaceFile(wideTo, wideFrom, aside != NULL ? wideAside : NULL, REPLACEFILE_IGNORE_MERGE_ERRORS,
                               NULL, NULL);
}

static int SetAttributes(const char *path, DWORD attributes)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return SetFileAttributesA(path, attributes) != FALSE;
    return ToWidePath(path, wide) && Wide()->setAttributes(wide, attributes);
}

// ReplaceFile may fail with the old file already at aside and the new one
// not yet in place: it is put in place, or the old file goes back.
static int IsHalfReplaced(const char *from, const char *to, const char *aside)
{
    WIN32_FIND_DATAA info;
    DWORD error = GetLastError();

    if (aside == NULL || error != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 || GetPathInfo(to, &info))
        return 0;
    if (MovePathReplacing(from, to))
        return 1;
    MovePathReplacing(aside, to);
    SetLastError(error);
    return 0;
}

// With aside, the old file goes to that name in the same step, or nothing
// happens: only the system's ReplaceFile can do that, and only on one volume.
static int ReplaceKeeping(const char *from, const char *to, const char *aside)
{
    WIN32_FIND_DATAA old;
    DWORD keep, writable, error;

    if (!GetPathInfo(to, &old))
        return aside == NULL && MovePathReplacing(from, to);
    keep = old.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE);
    // A read-only file refuses to be replaced, by ReplaceFile too: it is
    // made writable for the moment, and gets its attributes back either way.
    writable = keep & ~FILE_ATTRIBUTE_READONLY;
    if (keep & FILE_ATTRIBUTE_READONLY)
        SetAttributes(to, writable ? writable : FILE_ATTRIBUTE_NORMAL);
    if (!ReplaceByTheSystem(from, to, aside) && !IsHalfReplaced(from, to, aside) &&
        (aside != NULL || !MovePathReplacing(from, to))) {
        error = GetLastError();
        SetAttributes(to, keep ? keep : FILE_ATTRIBUTE_NORMAL);
        SetLastError(error);
        return 0;
    }
    // Some systems' ReplaceFile leaves the new file's own attributes. The
    // files placed here are made plain, and the system marks a new file for
    // archiving: a file that had only that mark needs no call.
    if (keep != FILE_ATTRIBUTE_ARCHIVE)
        SetAttributes(to, keep ? keep : FILE_ATTRIBUTE_NORMAL);
    return 1;
}

int ReplacePathKeeping(const char *from, const char *to)
{
    return ReplaceKeeping(from, to, NULL);
}

int ReplacePathKeepingAside(const char *from, const char *to, const char *aside)
{
    return ReplaceKeeping(from, to, aside);
}

static void ToAnsiFind(const WIN32_FIND_DATAW *wide, WIN32_FIND_DATAA *data)
{
    data->dwFileAttributes = wide->dwFileAttributes;
    data->ftCreationTime = wide->ftCreationTime;
    data->ftLastAccessTime = wide->ftLastAccessTime;
    data->ftLastWriteTime = wide->ftLastWriteTime;
    data->nFileSizeHigh = wide->nFileSizeHigh;
    data->nFileSizeLow = wide->nFileSizeLow;
    data->dwReserved0 = wide->dwReserved0;  // the kind of link, for a reparse point
    data->dwReserved1 = NAME_CARRIED;
    data->cAlternateFileName[0] = '\0';
    // Exactly or not at all: a look-alike ("Lodz" for "Łódź") names another
    // file, and a full-width backslash or colon would even become a path.
    if (ConvertNameExactly(wide->cFileName, data->cFileName, MAX_PATH))
        return;
    // A name the ANSI code page cannot hold goes on marked, in UTF-8; one
    // too long even for that goes as its look-alike, for the log alone.
    data->cFileName[0] = WIDE_NAME_MARK;
    if (WideCharToMultiByte(CP_UTF8, 0, wide->cFileName, -1, data->cFileName + 1, MAX_PATH - 1, NULL, NULL) != 0)
        return;
    data->dwReserved1 = NAME_NO_FORM;
    WideCharToMultiByte(CP_ACP, 0, wide->cFileName, -1, data->cFileName, MAX_PATH, NULL, NULL);
    data->cFileName[MAX_PATH - 1] = '\0';
}

void ToDisplayPath(const char *path, char *out, int size)
{
    WCHAR wide[WIDE_PATH];

    if (!HasWideName(path) || !ConvertNames(path, wide, WIDE_PATH) ||
        WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size, NULL, NULL) == 0)
        lstrcpynA(out, path, size);
}

static int FindFirstPath(const char *pattern, PathFind *find, WIN32_FIND_DATAA *data)
{
    WCHAR wide[WIDE_PATH];
    WIN32_FIND_DATAW wideData;

    // On Windows NT the wide calls give every name as it is.
    find->wide = Wide() != NULL;
    if (!find->wide) {
        find->handle = FindFirstFileA(pattern, data);
        data->dwReserved1 = NAME_CARRIED;
        return find->handle != INVALID_HANDLE_VALUE;
    }
    find->handle = INVALID_HANDLE_VALUE;
    if (!ToWidePath(pattern, wide))
        return 0;
    find->handle = Wide()->findFirstFile(wide, &wideData);
    if (find->handle == INVALID_HANDLE_VALUE)
        return 0;
    ToAnsiFind(&wideData, data);
    return 1;
}

static int FindNextPath(PathFind *find, WIN32_FIND_DATAA *data)
{
    WIN32_FIND_DATAW wideData;
    int more;

    if (!find->wide) {
        more = FindNextFileA(find->handle, data) != FALSE;
        data->dwReserved1 = NAME_CARRIED;
        return more;
    }
    if (!Wide()->findNextFile(find->handle, &wideData))
        return 0;
    ToAnsiFind(&wideData, data);
    return 1;
}

// A drive's or a share's root is found by no search: its attributes say
// it is there, a folder.
static int GetRootInfo(const char *path, WIN32_FIND_DATAA *info)
{
    char root[MAX_PATH];
    DWORD attributes;

    if (!JoinPath(root, sizeof(root), path, "") || GetRootLength(root) != lstrlenA(root))
        return 0;
    attributes = GetFileAttributesA(root);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    ZeroMemory(info, sizeof(*info));
    info->dwFileAttributes = attributes;
    return 1;
}

int FindPathName(const char *path, WIN32_FIND_DATAA *info)
{
    PathFind find;

    if (strchr(path, '*') != NULL || strchr(path, '?') != NULL)
        return 0;
    if (!FindFirstPath(path, &find, info))
        return GetRootInfo(path, info);
    FindClose(find.handle);
    return 1;
}

static int GetPathData(const char *path, WIN32_FILE_ATTRIBUTE_DATA *data)
{
    WCHAR wide[WIDE_PATH];

    if (FitsAnsi(path))
        return GetFileAttributesExA(path, GetFileExInfoStandard, data) != FALSE;
    if (!ToWidePath(path, wide)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    return Wide()->getAttributes(wide, GetFileExInfoStandard, data) != FALSE;
}

// One call that reads what the path names, not a search of its folder. A
// link's kind is known only to a search, so a link is searched for.
int GetPathInfo(const char *path, WIN32_FIND_DATAA *info)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    const char *slash;

    if (strchr(path, '*') != NULL || strchr(path, '?') != NULL)
        return 0;
    // A root that ends in its backslash was asked as the root already: a
    // share gone away may take long to answer, and is not asked twice.
    if (!GetPathData(path, &data))
        return !EndsWithSlash(path) && GetRootInfo(path, info);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return FindPathName(path, info);
    ZeroMemory(info, sizeof(*info));
    info->dwFileAttributes = data.dwFileAttributes;
    info->ftCreationTime = data.ftCreationTime;
    info->ftLastAccessTime = data.ftLastAccessTime;
    info->ftLastWriteTime = data.ftLastWriteTime;
    info->nFileSizeHigh = data.nFileSizeHigh;
    info->nFileSizeLow = data.nFileSizeLow;
    info->dwReserved1 = NAME_CARRIED;
    slash = FindLastBackslash(path);
    lstrcpynA(info->cFileName, slash != NULL ? slash + 1 : path, MAX_PATH);
    return 1;
}

int GetRootLength(const char *path)
{
    const char *server, *share;

    if (path[0] != '\0' && path[1] == ':' && path[2] == '\\')
        return 3;
    if (path[0] != '\\' || path[1] != '\\')
        return 0;
    server = FindFirstBackslash(path + 2);
    share = server != NULL ? FindFirstBackslash(server + 1) : NULL;
    return share != NULL ? (int)(share - path) + 1 : 0;
}

static int IsFolderThere(const char *path)
{
    WIN32_FIND_DATAA info;

    return GetPathInfo(path, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// For a folder found missing: made at once, and only where its parent is
// missing too are the folders above made first (each looked at once).
static int MakeMissingFolder(const char *path)
{
    char part[LONG_PATH];
    char *slash;
    DWORD error;

    if (MakeFolder(path))
        return 1;
    error = GetLastError();
    if (error != ERROR_PATH_NOT_FOUND && error != ERROR_FILE_NOT_FOUND)
        return IsFolderThere(path);
    lstrcpynA(part, path, sizeof(part));
    // The parent is found by character, never by the byte before a
    // backslash: in code page 932 that may be the end of a letter.
    slash = (char *)FindLastBackslash(part);
    if (slash == NULL || slash - part < GetRootLength(part))
        return 0;
    *slash = '\0';
    return MakeMissingFolder(part) && (MakeFolder(path) || IsFolderThere(path));
}

int MakeFolderTree(const char *path)
{
    return IsFolderThere(path) || MakeMissingFolder(path);
}

int MakeParentFolder(const char *path)
{
    char folder[LONG_PATH];
    char *slash;

    lstrcpynA(folder, path, sizeof(folder));
    slash = (char *)FindLastBackslash(folder);
    if (slash == NULL || slash - folder < GetRootLength(folder))
        return 1;
    *slash = '\0';
    return MakeFolderTree(folder);
}

// Removes what lies in path (a buffer of LONG_PATH, used to build the
// names of the children) and then path itself; 0 when told to end.
static int RemoveTreeIn(char *path, EndCheck mustEnd)
{
    size_t len = strlen(path);
    WIN32_FIND_DATAA data;
    PathFind find;
    int more, whole = 1;

    if (!JoinPath(path, LONG_PATH, path, "*"))
        return 1;
    more = FindFirstPath(path, &find, &data);
    path[len] = '\0';
    for (; more && whole; more = FindNextPath(&find, &data)) {
        if (data.cFileName[0] == '\0' || lstrcmpA(data.cFileName, ".") == 0 || lstrcmpA(data.cFileName, "..") == 0)
            continue;
        if (mustEnd != NULL && mustEnd()) {
            whole = 0;
            break;
        }
        if (!JoinPath(path, LONG_PATH, path, data.cFileName))
            continue;
        // A junction or link is removed itself; what it points to, perhaps
        // outside the backup folder, is left alone.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            whole = RemoveTreeIn(path, mustEnd);
        else if (!DeletePath(path))
            RemoveFolder(path);
        path[len] = '\0';
    }
    if (find.handle != INVALID_HANDLE_VALUE)
        FindClose(find.handle);
    if (whole)
        RemoveFolder(path);
    return whole;
}

int RemoveTree(const char *path, EndCheck mustEnd)
{
    char work[LONG_PATH];
    WIN32_FIND_DATAA info;

    if (GetPathInfo(path, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!DeletePath(path))
            RemoveFolder(path);
        return 1;
    }
    lstrcpynA(work, path, sizeof(work));
    return RemoveTreeIn(work, mustEnd);
}

// Calls found for each name in folder, files and folders alike, or for the
// files alone; returns found's last answer.
static int ForEachIn(const char *folder, int withFolders, FileFound found, void *context)
{
    char pattern[LONG_PATH], file[LONG_PATH];
    WIN32_FIND_DATAA data;
    PathFind find;
    int more, go = 1;

    if (!JoinPath(pattern, sizeof(pattern), folder, "*"))
        return 1;
    for (more = FindFirstPath(pattern, &find, &data); more && go; more = FindNextPath(&find, &data)) {
        if ((data.cFileName[0] == '\0' && data.dwReserved1 == NAME_CARRIED) || lstrcmpA(data.cFileName, ".") == 0 ||
            lstrcmpA(data.cFileName, "..") == 0)
            continue;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !withFolders)
            continue;
        if (data.dwReserved1 == NAME_CARRIED && !JoinPath(file, sizeof(file), folder, data.cFileName))
            data.dwReserved1 = NAME_TOO_LONG;
        if (data.dwReserved1 != NAME_CARRIED) {
            // Named for the log only, cut to fit: no call reaches it.
            if (!withFolders)
                continue;
            lstrcpynA(file, folder, sizeof(file) - 8);
            AppendText(file, sizeof(file), "\\");
            AppendText(file, sizeof(file), data.cFileName);
        }
        go = found(file, &data, context);
    }
    if (find.handle != INVALID_HANDLE_VALUE)
        FindClose(find.handle);
    return go;
}

int ForEachFileIn(const char *folder, FileFound found, void *context)
{
    return ForEachIn(folder, 0, found, context);
}

int ForEachNameIn(const char *folder, FileFound found, void *context)
{
    return ForEachIn(folder, 1, found, context);
}

int CanListFolder(const char *folder)
{
    char pattern[LONG_PATH];
    WIN32_FIND_DATAA data;
    PathFind find;

    if (!JoinPath(pattern, sizeof(pattern), folder, "*"))
        return 0;
    if (FindFirstPath(pattern, &find, &data)) {
        FindClose(find.handle);
        return 1;
    }
    // An empty drive's root has not even "." to give.
    return GetLastError() == ERROR_FILE_NOT_FOUND;
}
