// Looking a listed folder's tree over, folder by folder: each folder's
// files beside one listing of their newest copies (and, for files written
// in a round whose slot is still theirs, one of each such slot's copies),
// so that a tree whose copies are current costs a few listings a folder
// and no look per file. The names of a listing no source answered were
// deleted meanwhile.
// Changes reported meanwhile are copied between the files of a look, so a
// save never waits for a look over a big tree.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"
#include "notifier/show/show.h"
#include "notifier/trouble/trouble.h"
#include "notifier/watch/watch.h"
#include "notifier/watch/watch_internal.h"

// How long a look goes on before the reported changes are served.
#define SERVE_EVERY_MS 50
// A folder's new files are copied this many at a time, side by side.
#define BATCH_SIZE (4 * COPY_WORKERS)

struct FolderStack {
    char **paths;
    int count, capacity;
};

struct TreeWalk {
    WatchList *list;
    int entry;
    FILETIME seen;
    FolderStack stack;
    CopyListing *copies;
    const char *folder;       // the folder looked at
    SlotListings *slots;      // its slot copies, read as needed
    FILETIME now;
    CopyJob batch[BATCH_SIZE];
    int batched;
    DWORD lastServed;
    int files;
    int stopped;
};

void AddTreeLook(WatchList *list, const char *path, int entry, const FILETIME *seen)
{
    TreeLook *look;
    int i;

    for (i = 0; i < list->lookCount; i++) {
        if (IsInsideFolder(path, list->looks[i].path)) {
            // Judged against the earlier change, which is not copied yet.
            if (CompareFileTime(seen, &list->looks[i].seen) < 0)
                list->looks[i].seen = *seen;
            return;
        }
    }
    if (!MakeRoom((void **)&list->looks, list->lookCount, &list->lookCapacity, sizeof(TreeLook)))
        return;
    look = &list->looks[list->lookCount];
    look->path = CopyText(path);
    if (look->path == NULL)
        return;
    look->entry = entry;
    look->seen = *seen;
    list->lookCount++;
}

void FreeTreeLooks(WatchList *list)
{
    int i;

    for (i = 0; i < list->lookCount; i++)
        HeapFree(GetProcessHeap(), 0, list->looks[i].path);
    if (list->looks != NULL)
        HeapFree(GetProcessHeap(), 0, list->looks);
    list->looks = NULL;
    list->lookCount = list->lookCapacity = 0;
}

static int PushFolder(FolderStack *stack, const char *path)
{
    char *copy;

    if (!MakeRoom((void **)&stack->paths, stack->count, &stack->capacity, sizeof(char *)))
        return 0;
    copy = CopyText(path);
    if (copy == NULL)
        return 0;
    stack->paths[stack->count++] = copy;
    return 1;
}

static void FreeStack(FolderStack *stack)
{
    while (stack->count > 0)
        HeapFree(GetProcessHeap(), 0, stack->paths[--stack->count]);
    if (stack->paths != NULL)
        HeapFree(GetProcessHeap(), 0, stack->paths);
}

// Whether the newest copy in the folder's listing is the file as it is,
// and the slots of its time hold it too.
static int HasCurrentCopies(TreeWalk *walk, const WIN32_FIND_DATAA *data)
{
    WIN32_FIND_DATAA copy;

    return FindListedCopy(walk->copies, data->cFileName, &copy) && IsCurrentCopy(data, &copy, &walk->seen) &&
           !OwesSlotCopy(&walk->slots, walk->list->backup, walk->folder, data->cFileName, &copy, &walk->now);
}

// Copies the files gathered so far; 0 when the notifier must end.
static int CopyBatchedFiles(TreeWalk *walk)
{
    int count = walk->batched;

    walk->batched = 0;
    if (count > 0 && TryFilesWhenDue(walk->list, walk->batch, count, &walk->seen) == COPY_STOPPED)
        walk->stopped = 1;
    return !walk->stopped;
}

static int AddToBatch(TreeWalk *walk, const char *path, const WIN32_FIND_DATAA *data)
{
    CopyJob *job = &walk->batch[walk->batched++];

    lstrcpynA(job->path, path, LONG_PATH);
    job->info = *data;
    return walk->batched < BATCH_SIZE || CopyBatchedFiles(walk);
}

// The changes reported meanwhile come first, every SERVE_EVERY_MS.
static int ServeMeanwhile(TreeWalk *walk)
{
    if (GetTickCount() - walk->lastServed < SERVE_EVERY_MS)
        return 1;
    if (!CopyBatchedFiles(walk) || ServeReported(walk->list) == COPY_STOPPED) {
        walk->stopped = 1;
        return 0;
    }
    PublishStatus(walk->list, 1);
    walk->lastServed = GetTickCount();
    return 1;
}

static int LookAtName(const char *path, const WIN32_FIND_DATAA *data, void *context)
{
    TreeWalk *walk = (TreeWalk *)context;

    if (MustEnd()) {
        walk->stopped = 1;
        return 0;
    }
    if (!ServeMeanwhile(walk))
        return 0;
    // Said, not passed over: its file, or its folder's, cannot be reached.
    if (data->dwReserved1 != NAME_CARRIED) {
        if ((data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? IsSkippedFolder(walk->list, path, data)
                                                                 : IsClutterName(FindFileName(path)))
            return 1;
        walk->files += !(data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        NoteTrouble(walk->list, path, data->dwReserved1 == NAME_TOO_LONG ? FAIL_TOO_LONG : FAIL_NAME, data,
                    &walk->seen);
        return 1;
    }
    FindListedCopy(walk->copies, data->cFileName, NULL);
    if (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!IsSkippedFolder(walk->list, path, data))
            PushFolder(&walk->stack, path);
        return 1;
    }
    if (!IsTreeFile(walk->list, path, data))
        return 1;
    walk->files++;
    if (HasCurrentCopies(walk, data))
        return 1;
    if (IsOnlineOnly(data)) {
        NoteTrouble(walk->list, path, FAIL_ONLINE_ONLY, data, &walk->seen);
        return 1;
    }
    return AddToBatch(walk, path, data);
}

static void LookAtFolder(TreeWalk *walk, const char *folder)
{
    char copies[LONG_PATH];

    walk->copies =
        MapToBackup(walk->list->backup, folder, copies, sizeof(copies)) ? ReadCopyListing(copies) : NULL;
    walk->folder = folder;
    GetSystemTimeAsFileTime(&walk->now);
    ForEachNameIn(folder, LookAtName, walk);
    if (!walk->stopped)
        CopyBatchedFiles(walk);
    if (!walk->stopped)
        RecordMissingSources(walk->list, folder, walk->copies, &walk->now);
    FreeCopyListing(walk->copies);
    FreeSlotListings(walk->slots);
    walk->copies = NULL;
    walk->slots = NULL;
}

// Looks over one tree; COPY_STOPPED, COPY_NOT_TRIED when the backup disk
// failed meanwhile (the look is made again once it is back), or done.
static int LookOverTree(WatchList *list, const TreeLook *look)
{
    // On the heap: its batch is large for a stack, and as a static it would
    // be stored in the program file.
    TreeWalk *w = (TreeWalk *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(TreeWalk));
    char *folder;
    int result, halted;

    if (w == NULL)
        return COPY_RETRY;
    w->list = list;
    w->entry = look->entry;
    w->seen = look->seen;
    w->lastServed = GetTickCount();
    PushFolder(&w->stack, look->path);
    while (w->stack.count > 0 && !w->stopped && IsDiskReady()) {
        folder = w->stack.paths[--w->stack.count];
        LookAtFolder(w, folder);
        HeapFree(GetProcessHeap(), 0, folder);
    }
    halted = w->stack.count > 0 && !w->stopped;
    FreeStack(&w->stack);
    // A whole entry's count of files is the one its start line shows.
    if (!w->stopped && !halted && look->entry >= 0 && lstrcmpiA(look->path, list->entries[look->entry].path) == 0)
        list->entries[look->entry].files = w->files;
    result = w->stopped ? COPY_STOPPED : halted ? COPY_NOT_TRIED : COPY_DONE;
    HeapFree(GetProcessHeap(), 0, w);
    return result;
}

int LookOverTrees(WatchList *list)
{
    TreeLook look;
    int result;

    while (list->lookCount > 0) {
        // Taken off first: a look added meanwhile goes to the end.
        look = list->looks[0];
        list->lookCount--;
        MoveMemory(&list->looks[0], &list->looks[1], list->lookCount * sizeof(TreeLook));
        result = LookOverTree(list, &look);
        // Cut short by the disk: made again, whole, once it is back.
        if (result == COPY_NOT_TRIED)
            AddTreeLook(list, look.path, look.entry, &look.seen);
        HeapFree(GetProcessHeap(), 0, look.path);
        if (result != COPY_DONE)
            return result == COPY_STOPPED ? COPY_STOPPED : COPY_DONE;
    }
    return COPY_DONE;
}

// The listed folder whose tree holds path; -1 for none.
static int FindTreeEntry(const WatchList *list, const char *path)
{
    int i;

    for (i = 0; i < list->entryCount; i++) {
        if (list->entries[i].self != NO_FOLDER && IsBelowFolder(path, list->entries[i].path))
            return i;
    }
    return -1;
}

// A reported name that is no file: a folder (made, or moved in) is looked
// over, what is gone recorded as deleted. info is NULL when it is gone.
static void ServeNoFile(WatchList *list, int entry, const char *path, const WIN32_FIND_DATAA *info,
                        const FILETIME *seen)
{
    if (info == NULL)
        RecordGone(list, list->entries[entry].path, path, seen);
    else if (!IsSkippedFolder(list, path, info))
        AddTreeLook(list, path, entry, seen);
}

void ServeWaitedName(WatchList *list, const char *path, const FILETIME *seen)
{
    WIN32_FIND_DATAA info;
    int entry = FindTreeEntry(list, path);
    int found = GetPathInfo(path, &info);

    if (entry >= 0 && (!found || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
        ServeNoFile(list, entry, path, found ? &info : NULL, seen);
}

// One name a tree reported: a file is copied, the rest served as above.
static int ServeOne(WatchList *list, const char *path, DWORD at)
{
    WIN32_FIND_DATAA info;
    FILETIME seen;
    int entry = FindTreeEntry(list, path);

    // The backup path inside a listed folder reports every copy made: those
    // go before anything looks at the disk.
    if (entry < 0 || IsInBackupTree(path, list->backup) || IsInSkippedFolder(path, list->entries[entry].path))
        return COPY_DONE;
    GetReportedTime(at, &seen);
    // Away, a report costs a note: nothing can be copied before the disk is back.
    if (!IsDiskReady()) {
        NoteWaiting(list, path, &seen);
        return COPY_DONE;
    }
    if (!GetPathInfo(path, &info)) {
        ServeNoFile(list, entry, path, NULL, &seen);
        return COPY_DONE;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ServeNoFile(list, entry, path, &info, &seen);
        return COPY_DONE;
    }
    if (!IsTreeFile(list, path, &info))
        return COPY_DONE;
    return TryFileWhenDue(list, path, 0, &info, &seen) == COPY_STOPPED ? COPY_STOPPED : COPY_DONE;
}

int ServeReported(WatchList *list)
{
    char path[LONG_PATH];
    DWORD at;
    int i;

    while (PopReport(&list->reports, path, &at)) {
        if (ServeOne(list, path, at) == COPY_STOPPED || MustEnd())
            return COPY_STOPPED;
    }
    // Listed files whose folders reported a change; a listed folder that
    // did is looked over after the look under way.
    CollectChanges(list);
    for (i = 0; i < list->entryCount; i++) {
        WatchEntry *entry = &list->entries[i];

        if (!entry->reported)
            continue;
        entry->pending = entry->reported = 0;
        if (BackUpEntry(list, entry) == COPY_STOPPED)
            return COPY_STOPPED;
    }
    return COPY_DONE;
}
