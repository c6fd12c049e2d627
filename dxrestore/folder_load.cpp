// What the folder window shows: the index of the folder's copies and the
// rows at the chosen moment, made again as new copies come.
#include "dxrestore/folder.h"

#include <string.h>

static int MakeRowRoom(FolderWindow *w)
{
    SIZE_T size = (SIZE_T)(w->index.fileCount + 1) * sizeof(FolderRow);
    FolderRow *rows = w->rows == NULL ? (FolderRow *)HeapAlloc(GetProcessHeap(), 0, size)
                                      : (FolderRow *)HeapReAlloc(GetProcessHeap(), 0, w->rows, size);

    if (rows == NULL)
        return 0;
    w->rows = rows;
    return 1;
}

int LoadFolder(const char *path, const FILETIME *asked, FolderWindow *w)
{
    char full[MAX_PATH], folder[MAX_PATH], backup[MAX_PATH];
    char *namePart = NULL;
    DWORD len = GetFullPathNameA(path, sizeof(full), full, &namePart);
    FILETIME now;

    ZeroMemory(w, sizeof(*w));
    if (len == 0 || len >= sizeof(full) || !NormalizeSourcePath(full, folder))
        return 0;
    ReadBackupFolder(backup);
    GetSystemTimeAsFileTime(&now);
    if (!IndexFolder(backup, folder, &now, &w->index) || !MakeRowRoom(w)) {
        FreeFolder(w);
        return 0;
    }
    w->asked = *asked;
    w->moment = FindMomentAt(&w->index, asked);
    lstrcpynA(w->file.backup, backup, MAX_PATH);
    return 1;
}

static int IsSameRows(const FolderIndex *a, const FolderRow *rowsA, const FolderIndex *b, const FolderRow *rowsB,
                      int count)
{
    int i;

    for (i = 0; i < count; i++) {
        if (rowsA[i].state != rowsB[i].state || rowsA[i].size != rowsB[i].size ||
            CompareFileTime(&rowsA[i].saved, &rowsB[i].saved) != 0 ||
            lstrcmpA(GetFileName(a, rowsA[i].file), GetFileName(b, rowsB[i].file)) != 0)
            return 0;
    }
    return 1;
}

// The same round's end in the new index, else the moment before it.
static int FindSameMoment(const FolderIndex *index, const FolderMoment *shown)
{
    int i;

    if (shown->ring == RING_NEWEST)
        return 0;
    for (i = 1; i < index->momentCount; i++) {
        if (index->moments[i].local == shown->local)
            return i;
    }
    return FindMomentAt(index, &shown->at);
}

int ReloadFolder(FolderWindow *w, int onlyChanged)
{
    FolderIndex *fresh = (FolderIndex *)HeapAlloc(GetProcessHeap(), 0, sizeof(FolderIndex));
    FolderRow *rows = NULL;
    FILETIME now;
    int moment, count = 0, changed = 0;

    GetSystemTimeAsFileTime(&now);
    if (fresh == NULL)
        return 0;
    if (IndexFolder(w->index.backup, w->index.folder, &now, fresh))
        rows = (FolderRow *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)(fresh->fileCount + 1) * sizeof(FolderRow));
    if (rows != NULL) {
        moment = FindSameMoment(fresh, &w->index.moments[w->moment]);
        count = BuildFolderRows(fresh, moment, onlyChanged, rows);
        changed = count != w->rowCount || fresh->momentCount != w->index.momentCount ||
                  !IsSameRows(fresh, rows, &w->index, w->rows, count);
        FreeFolderIndex(&w->index);
        HeapFree(GetProcessHeap(), 0, w->rows);
        w->index = *fresh;
        w->rows = rows;
        w->rowCount = count;
        w->moment = moment;
    } else {
        FreeFolderIndex(fresh);
    }
    HeapFree(GetProcessHeap(), 0, fresh);
    return changed;
}

int TakeRowFile(FolderWindow *w, const FolderRow *row, CopyVersion *version)
{
    lstrcpynA(w->file.backup, w->index.backup, MAX_PATH);
    w->file.readable = 1;
    GetRowVersion(&w->index, row, version);
    return JoinPath(w->file.source, MAX_PATH, w->index.folder, GetFileName(&w->index, row->file));
}

void FreeFolder(FolderWindow *w)
{
    FreeFolderIndex(&w->index);
    if (w->rows != NULL)
        HeapFree(GetProcessHeap(), 0, w->rows);
    w->rows = NULL;
    w->rowCount = 0;
}
