// Where a source file's copies go: <root>\<drive letter>\<rest>, or
// <root>\UNC\<server>\<share>\<rest>; the root is the backup path or a slot.
#include "layout/copy_layout.h"

#include "app/program.h"

#include <string.h>

int EndsWithSlash(const char *path)
{
    const char *last = FindLastBackslash(path);

    return last != NULL && last[1] == '\0';
}

int JoinPath(char *out, int size, const char *folder, const char *name)
{
    size_t folderLen = strlen(folder), nameLen = strlen(name);
    int slash = folderLen > 0 && !EndsWithSlash(folder);

    if (folderLen + slash + nameLen + 1 > (size_t)size)
        return 0;
    // out may be folder itself: move the folder first, then add the rest.
    memmove(out, folder, folderLen);
    if (slash)
        out[folderLen] = '\\';
    memcpy(out + folderLen + slash, name, nameLen + 1);
    return 1;
}

int AddSuffix(char *out, int size, const char *path, const char *suffix)
{
    size_t pathLen = strlen(path), suffixLen = strlen(suffix);

    if (pathLen + suffixLen + 1 > (size_t)size)
        return 0;
    memmove(out, path, pathLen);
    memcpy(out + pathLen, suffix, suffixLen + 1);
    return 1;
}

// Whether the full path starts with "X:\" or "\\server\share".
static int IsFullPath(const char *path)
{
    if (path[0] == '\\' && path[1] == '\\')
        return path[2] != '\0' && path[2] != '?' && path[2] != '.' && path[2] != '\\';
    // A drive letter is one of A to Z, never a letter of the code page.
    return (path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z' && path[1] == ':' && path[2] == '\\';
}

int NormalizeSourcePath(const char *text, char *full)
{
    char *namePart = NULL;
    DWORD len;

    full[0] = '\0';
    // The list is text anyone could have stored: only full paths are taken,
    // and ".." is resolved so that no copy lands outside the backup path. A
    // colon past the drive names a file's stream, not a file.
    if (!IsFullPath(text) || strchr(text + 2, ':') != NULL)
        return 0;
    len = GetFullPathNameA(text, MAX_PATH, full, &namePart);
    if (len == 0 || len >= MAX_PATH || !IsFullPath(full)) {
        full[0] = '\0';
        return 0;
    }
    // "C:\Work\" and "C:\Work" are the same folder; "C:\" stays a root.
    while (len > 3 && EndsWithSlash(full))
        full[--len] = '\0';
    // "C:\WORK~1" too: a file's copies go by its long name alone.
    ToLongNames(full, MAX_PATH);
    return 1;
}

int MapToBackup(const char *root, const char *source, char *out, int size)
{
    char rel[LONG_PATH];

    if (!IsFullPath(source))
        return 0;
    if (source[0] == '\\') {
        if (!JoinPath(rel, sizeof(rel), "UNC", source + 2))
            return 0;
    } else {
        rel[0] = source[0];
        rel[1] = '\0';
        CharUpperA(rel);
        if (source[3] != '\0' && !JoinPath(rel, sizeof(rel), rel, source + 3))
            return 0;
    }
    return JoinPath(out, size, root, rel);
}

int IsInsideFolder(const char *path, const char *folder)
{
    size_t len = strlen(folder);

    if (len == 0 || (size_t)lstrlenA(path) < len)
        return 0;
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path, (int)len, folder, (int)len) != CSTR_EQUAL)
        return 0;
    return path[len] == '\0' || path[len] == '\\' || EndsWithSlash(folder);
}

int IsBelowFolder(const char *path, const char *folder)
{
    return IsInsideFolder(path, folder) && lstrlenA(path) > lstrlenA(folder);
}

int IsInsideCopies(const char *path, const char *backup)
{
    static const char *const TOPS[] = {"UNC", NEWEST_COPIES_FOLDER, HOUR_COPIES_FOLDER, DAY_COPIES_FOLDER};
    char top[MAX_PATH];
    const char *rest, *end;
    size_t i;

    if (!IsInsideFolder(path, backup))
        return 0;
    rest = path + strlen(backup);
    if (*rest == '\\')
        rest++;
    end = FindFirstBackslash(rest);
    lstrcpynA(top, rest, end != NULL ? (int)(end - rest) + 1 : MAX_PATH);
    // A drive letter's folder, the UNC folder or a ring: copies live there.
    if (top[0] != '\0' && top[1] == '\0')
        return 1;
    for (i = 0; i < sizeof(TOPS) / sizeof(TOPS[0]); i++) {
        if (lstrcmpiA(top, TOPS[i]) == 0)
            return 1;
    }
    return 0;
}
