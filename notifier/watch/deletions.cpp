// Sources found gone go into the deletion record under the backup path,
// which the copies window reads: a file, or a folder gone whole as one
// record for all below it, at the moment its going was reported (or a look
// found it). Only names backed up with copies count, and each once: a name
// recorded gone (or a folder above it) after its copy was made is not
// recorded again. Only the copying thread records, so appends never meet.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"
#include "notifier/trouble/trouble.h"
#include "notifier/watch/watch.h"
#include "notifier/watch/watch_internal.h"

#include "layout/deletion_log.h"

// The last source recorded gone, so that the many reports of a folder's
// files deleted one by one do not each read the record.
struct GoneMark {
    char path[LONG_PATH];
    FILETIME at;
};
static GoneMark *g_lastGone;

// Whether the record has path, or a folder above it, gone after made.
static int IsGoneSince(const char *backup, const char *path, const FILETIME *made)
{
    FILETIME at;

    if (g_lastGone != NULL && IsInsideFolder(path, g_lastGone->path) &&
        CompareFileTime(&g_lastGone->at, made) > 0)
        return 1;
    return FindLastDeletion(backup, path, &at) && CompareFileTime(&at, made) > 0;
}

// Moves path up to the highest folder gone on its way up to root.
static void FindGoneTop(const char *root, char *path)
{
    char above[LONG_PATH];
    WIN32_FIND_DATAA info;
    char *cut;

    while (IsBelowFolder(path, root)) {
        lstrcpynA(above, path, sizeof(above));
        cut = (char *)FindLastBackslash(above);
        if (cut == NULL)
            return;
        *cut = '\0';
        if (GetPathInfo(above, &info))
            return;
        lstrcpynA(path, above, LONG_PATH);
    }
}

void RecordGone(WatchList *list, const char *root, const char *source, const FILETIME *seen)
{
    char path[LONG_PATH], copy[LONG_PATH];
    WIN32_FIND_DATAA info;

    // Away, the record cannot be written: a look finds the gone files once
    // the disk is back.
    if (!IsDiskReady()) {
        NoteGoneUnrecorded();
        return;
    }
    lstrcpynA(path, source, sizeof(path));
    FindGoneTop(root, path);
    if (IsClutterName(FindFileName(path)) || !MapToBackup(list->backup, path, copy, sizeof(copy)) ||
        !GetPathInfo(copy, &info) || IsGoneSince(list->backup, path, &info.ftLastWriteTime))
        return;
    if (!AppendDeletion(list->backup, path, seen))
        return;
    if (g_lastGone == NULL)
        g_lastGone = (GoneMark *)HeapAlloc(GetProcessHeap(), 0, sizeof(GoneMark));
    if (g_lastGone != NULL) {
        lstrcpynA(g_lastGone->path, path, LONG_PATH);
        g_lastGone->at = *seen;
    }
}

struct MissingWork {
    WatchList *list;
    const char *folder;
    CopyListing *copies;
    const char *gone;   // a record's path
    const FILETIME *at; // its moment; at the end, the look's
};

static int KeepMissing(const char *name, const WIN32_FIND_DATAA *copy, void *context)
{
    (void)name, (void)copy, (void)context;
    return 0;
}

// A missing name the record has gone since its copy was made.
static int IsCovered(const char *name, const WIN32_FIND_DATAA *copy, void *context)
{
    MissingWork *work = (MissingWork *)context;
    char path[LONG_PATH];

    return JoinPath(path, sizeof(path), work->folder, name) && IsInsideFolder(path, work->gone) &&
           CompareFileTime(work->at, &copy->ftLastWriteTime) > 0;
}

static int CoverRecorded(const char *source, const FILETIME *at, void *context)
{
    MissingWork *work = (MissingWork *)context;

    work->gone = source;
    work->at = at;
    ForEachMissingCopy(work->copies, IsCovered, work);
    return 1;
}

static int RecordMissing(const char *name, const WIN32_FIND_DATAA *copy, void *context)
{
    MissingWork *work = (MissingWork *)context;
    char path[LONG_PATH];

    // Clutter includes the temporary and waiting names beside copies.
    if (!IsClutterName(name) &&
        !((copy->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsSkippedFolderName(name)) &&
        JoinPath(path, sizeof(path), work->folder, name) && !IsInBackupTree(path, work->list->backup))
        AppendDeletion(work->list->backup, path, work->at);
    return 1;
}

void RecordMissingSources(WatchList *list, const char *folder, CopyListing *copies, const FILETIME *now)
{
    MissingWork work = {list, folder, copies, NULL, NULL};
    WIN32_FIND_DATAA info;

    // A folder gone itself is recorded from the one above it, whole; one
    // that cannot be read now hides its files, it has not lost them.
    if (ForEachMissingCopy(copies, KeepMissing, NULL) == 0 || !GetPathInfo(folder, &info) ||
        !CanListFolder(folder))
        return;
    // One reading of the record for all the folder's missing names.
    ForEachDeletion(list->backup, folder, CoverRecorded, &work);
    work.at = now;
    ForEachMissingCopy(copies, RecordMissing, &work);
}

void TrimDeletionRecord(const WatchList *list)
{
    char path[LONG_PATH];
    WIN32_FIND_DATAA info;
    FILETIME now;

    GetSystemTimeAsFileTime(&now);
    if (JoinPath(path, sizeof(path), list->backup, DELETION_FILE) && GetPathInfo(path, &info))
        TrimDeletions(list->backup, &now);
}
