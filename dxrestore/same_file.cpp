// Whether the path picked in the Save dialog is the file itself, spelt
// however it is: its short name, another letter case, a share to it.
#include "dxrestore/copies.h"

// The volume and index of an existing file, which name it whatever the
// path; 0 where the system gives none it stands by (Windows 9x makes them
// up for FAT files).
static int ReadIdentity(const char *path, BY_HANDLE_FILE_INFORMATION *info)
{
    HANDLE file;
    int read;

    if (!IsWindowsNt())
        return 0;
    file = OpenPath(path, 0, ShareAll(), OPEN_EXISTING, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    read = GetFileInformationByHandle(file, info) && (info->nFileIndexHigh != 0 || info->nFileIndexLow != 0);
    CloseHandle(file);
    return read;
}

// The full names, or else the short names of both, are the same.
static int IsSameSpelling(const char *a, const char *b)
{
    char fullA[MAX_PATH], fullB[MAX_PATH], shortA[MAX_PATH], shortB[MAX_PATH];
    char *name;
    DWORD lenA = GetFullPathNameA(a, MAX_PATH, fullA, &name),
          lenB = GetFullPathNameA(b, MAX_PATH, fullB, &name);

    if (lenA == 0 || lenA >= MAX_PATH || lenB == 0 || lenB >= MAX_PATH)
        return lstrcmpiA(a, b) == 0;
    if (lstrcmpiA(fullA, fullB) == 0)
        return 1;
    lenA = GetShortPathNameA(fullA, shortA, MAX_PATH);
    lenB = GetShortPathNameA(fullB, shortB, MAX_PATH);
    return lenA > 0 && lenA < MAX_PATH && lenB > 0 && lenB < MAX_PATH && lstrcmpiA(shortA, shortB) == 0;
}

int IsSameFile(const char *path, const char *source)
{
    BY_HANDLE_FILE_INFORMATION a, b;

    if (ReadIdentity(path, &a) && ReadIdentity(source, &b))
        return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
               a.nFileIndexLow == b.nFileIndexLow;
    return IsSameSpelling(path, source);
}
