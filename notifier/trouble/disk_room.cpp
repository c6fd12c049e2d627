// A file the backup disk cannot hold is a trouble of its own, tried again
// only once it changes: a full copy of it tried every minute would hold up
// every other file and end the same way.
#include "notifier/notifier.h"
#include "notifier/trouble/trouble.h"

typedef BOOL(WINAPI *FreeSpaceExCall)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

static ULONGLONG GetSize(const WIN32_FIND_DATAA *info)
{
    return ((ULONGLONG)info->nFileSizeHigh << 32) | info->nFileSizeLow;
}

int IsPastFileSystem(const char *backup, const WIN32_FIND_DATAA *info)
{
    char root[MAX_PATH], system[32];

    // Only a file of 4 GB or more asks the disk.
    if (info->nFileSizeHigh == 0 || !GetBackupRoot(backup, root))
        return 0;
    if (!GetVolumeInformationA(root, NULL, 0, NULL, NULL, NULL, system, sizeof(system)))
        return 0;
    return lstrcmpiA(system, "FAT") == 0 || lstrcmpiA(system, "FAT32") == 0;
}

// Free bytes for us on the disk; the Ex call (Windows 95 OSR2 and NT 4.0
// on) is looked up, as the first Windows 95 lacks it.
static int GetFreeBytes(const char *root, ULONGLONG *free)
{
    FreeSpaceExCall freeSpaceEx = (FreeSpaceExCall)FindKernelCall("GetDiskFreeSpaceExA");
    ULARGE_INTEGER mine, total, all;
    DWORD sectors, bytes, clusters, allClusters;

    if (freeSpaceEx != NULL && freeSpaceEx(root, &mine, &total, &all)) {
        *free = mine.QuadPart;
        return 1;
    }
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &clusters, &allClusters))
        return 0;
    *free = (ULONGLONG)sectors * bytes * clusters;
    return 1;
}

int IsTooBigForDisk(const char *backup, const WIN32_FIND_DATAA *info)
{
    char root[MAX_PATH];
    ULONGLONG free;

    return GetBackupRoot(backup, root) && GetFreeBytes(root, &free) && GetSize(info) > free;
}
