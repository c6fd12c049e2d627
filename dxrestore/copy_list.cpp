// A file's saved versions: every place of the layout is looked at, and
// copies of equal size and time are merged into one version.
#include "dxrestore/copies.h"

#include <string.h>

static ULONGLONG SizeOf(const WIN32_FIND_DATAA *info)
{
    return ((ULONGLONG)info->nFileSizeHigh << 32) | info->nFileSizeLow;
}

// GetFileAttributes reaches a drive's root too, which a find does not.
static int IsBackupReadable(const char *backup)
{
    char pattern[MAX_PATH];
    WIN32_FIND_DATAA data;
    HANDLE find;
    DWORD attributes = GetFileAttributesA(backup);

    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    // A folder that may not be listed holds nothing we could show.
    if (!JoinPath(pattern, sizeof(pattern), backup, "*"))
        return 1;
    find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(find);
    return 1;
}

static void AddCopyRow(CopyList *list, int place, const WIN32_FIND_DATAA *info)
{
    CopyVersion *v;
    int i;

    for (i = 0; i < list->count; i++) {
        v = &list->versions[i];
        if (v->size == SizeOf(info) && CompareFileTime(&v->saved, &info->ftLastWriteTime) == 0) {
            v->kept[place] = 1;
            return;
        }
    }
    v = &list->versions[list->count++];
    v->saved = info->ftLastWriteTime;
    v->size = SizeOf(info);
    v->kept[place] = 1;
}

// At most one version per place: an insertion sort is plenty.
static void SortNewestFirst(CopyList *list)
{
    CopyVersion moving;
    int i, j;

    for (i = 1; i < list->count; i++) {
        moving = list->versions[i];
        for (j = i; j > 0 && CompareFileTime(&list->versions[j - 1].saved, &moving.saved) < 0; j--)
            list->versions[j] = list->versions[j - 1];
        list->versions[j] = moving;
    }
}

int FindCopies(const char *backup, const char *source, CopyList *list)
{
    char copy[LONG_PATH];
    WIN32_FIND_DATAA info;
    int place, ring, slot;

    ZeroMemory(list, sizeof(*list));
    if (!IsBackupReadable(backup))
        return 0;
    for (place = 0; place < COPY_PLACE_COUNT; place++) {
        if (!GetCopyPlace(place, &ring, &slot) ||
            !GetCopyPath(backup, ring, slot, source, copy, sizeof(copy)))
            continue;
        if (GetPathInfo(copy, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            AddCopyRow(list, place, &info);
    }
    SortNewestFirst(list);
    return 1;
}

static int IsSameVersion(const CopyVersion *a, const CopyVersion *b)
{
    return a->size == b->size && CompareFileTime(&a->saved, &b->saved) == 0;
}

int IsSameList(const CopyList *a, const CopyList *b)
{
    int i;

    if (a->count != b->count)
        return 0;
    for (i = 0; i < a->count; i++) {
        if (!IsSameVersion(&a->versions[i], &b->versions[i]) ||
            memcmp(a->versions[i].kept, b->versions[i].kept, sizeof(a->versions[i].kept)) != 0)
            return 0;
    }
    return 1;
}

int FindVersionRow(const CopyList *list, const CopyVersion *version)
{
    int i;

    for (i = 0; i < list->count; i++) {
        if (IsSameVersion(&list->versions[i], version))
            return i;
    }
    return -1;
}

// The path of the version's copy in place number place; 0 when it has none
// there.
static int GetKeptPath(const CopiesWindow *w, const CopyVersion *version, int place, char *out)
{
    int ring, slot;

    return version->kept[place] && GetCopyPlace(place, &ring, &slot) &&
           GetCopyPath(w->backup, ring, slot, w->source, out, LONG_PATH);
}

int IsVersionKept(const CopiesWindow *w, const CopyVersion *version)
{
    char copy[LONG_PATH];
    WIN32_FIND_DATAA info;
    int place;

    for (place = 0; place < COPY_PLACE_COUNT; place++) {
        if (GetKeptPath(w, version, place, copy) && GetPathInfo(copy, &info) &&
            SizeOf(&info) == version->size && CompareFileTime(&info.ftLastWriteTime, &version->saved) == 0)
            return 1;
    }
    return 0;
}

// The notifier goes on writing while the window is open: a place listed
// a while ago may hold a newer version now, or nothing.
int CopyVersionTo(const CopiesWindow *w, const CopyVersion *version, const char *target, int place)
{
    char copy[LONG_PATH];
    int at, result;

    for (at = 0; at < COPY_PLACE_COUNT; at++) {
        if (!GetKeptPath(w, version, at, copy))
            continue;
        result = CopyVersionThroughTemp(copy, target, place, &version->saved, version->size, 1);
        if (result != COPY_OTHER_VERSION && result != FAIL_MISSING)
            return result;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return COPY_OTHER_VERSION;
}
