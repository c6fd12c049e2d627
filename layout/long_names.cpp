// Long names for short ones: a program that opens "REPORT~1.DOC" changes
// "Report for May.doc", and its copies must go where that name's do.
#include "layout/copy_layout.h"

#include "app/program.h"

#include <string.h>

typedef DWORD(WINAPI *LongNameCall)(LPCSTR, LPSTR, DWORD);

// The system's own answer (Windows 98, 2000 and later), for a path that is
// there whole and that the ANSI calls reach; 0 where it gives none.
static int AskLongName(const char *path, char *out, int size)
{
    LongNameCall call = (LongNameCall)FindKernelCall("GetLongPathNameA");
    DWORD length;

    if (call == NULL || strchr(path, WIDE_NAME_MARK) != NULL)
        return 0;
    length = call(path, out, (DWORD)size);
    return length > 0 && length < (DWORD)size;
}

// Windows 95 and NT 4.0, and what is there only in part: each name that
// may be short is looked up in its folder's own listing.
static int FindLongNames(const char *path, char *out, int size)
{
    char name[MAX_PATH];
    WIN32_FIND_DATAA data;
    const char *part = path + GetRootLength(path), *end;
    int start;

    if (part == path || part - path >= size)
        return 0;
    lstrcpynA(out, path, (int)(part - path) + 1);
    for (; *part != '\0'; part = *end != '\0' ? end + 1 : end) {
        end = FindFirstBackslash(part);
        if (end == NULL)
            end = part + strlen(part);
        if (end - part >= MAX_PATH)
            return 0;
        lstrcpynA(name, part, (int)(end - part) + 1);
        start = lstrlenA(out);
        if (!JoinPath(out, size, out, name))
            return 0;
        // A short name always holds a tilde; a name without one is long.
        if (strchr(name, '~') != NULL && FindPathName(out, &data) && data.cFileName[0] != '\0') {
            out[start] = '\0';
            if (!JoinPath(out, size, out, data.cFileName))
                return 0;
        }
    }
    return 1;
}

int ToLongNames(char *path, int size)
{
    char found[LONG_PATH];

    if (strchr(path, '~') == NULL)
        return 1;
    if (!AskLongName(path, found, sizeof(found)) && !FindLongNames(path, found, sizeof(found)))
        return 1;
    if (lstrlenA(found) >= size)
        return 0;
    lstrcpynA(path, found, size);
    return 1;
}
