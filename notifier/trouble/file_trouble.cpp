// Each file's failures: a file that cannot be copied is tried again on its
// own, backing off from 100 ms to a minute, or (a permanent failure) only
// once it has changed; its streak gets one line in the log, and so does
// its recovery. A listed folder's other files are never held up by it.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"
#include "notifier/show/show.h"
#include "notifier/trouble/trouble.h"
#include "notifier/watch/watch.h"

#define FIRST_RETRY_MS 100
// Files of a catch-up copied side by side at a time: small enough that a
// save made meanwhile waits a moment at most.
#define CATCH_UP_BATCH 16
#define LAST_RETRY_MS 60000

// A full or refusing backup disk fails every file alike: it gets one line,
// not one per file, until some copy succeeds again.
static int g_diskTrouble;

// The start line comes first, and it counts the files that the start's
// look found: troubles found meanwhile are written after it.
static int g_startLogged;

DWORD GetQuietAge(int reason)
{
    return IsPermanentFailure(reason) ? 0 : QUIET_STREAK_MS;
}

// Whether the source differs from what it was at the failure (info is
// NULL when the source is not there).
static int HasChanged(const FileTrouble *trouble, const WIN32_FIND_DATAA *info)
{
    if ((info != NULL) != (trouble->exists != 0))
        return 1;
    // A placeholder whose content has come to the disk.
    if (info != NULL && trouble->reason == FAIL_ONLINE_ONLY && !IsOnlineOnly(info))
        return 1;
    return info != NULL && (info->nFileSizeLow != trouble->sizeLow || info->nFileSizeHigh != trouble->sizeHigh ||
                            CompareFileTime(&info->ftLastWriteTime, &trouble->written) != 0);
}

// The source as it was before the try that failed: a save made during the
// try is then a change, and is tried at once when it is reported.
static void RememberSource(FileTrouble *trouble, const WIN32_FIND_DATAA *before)
{
    trouble->exists = before != NULL;
    trouble->sizeLow = before != NULL ? before->nFileSizeLow : 0;
    trouble->sizeHigh = before != NULL ? before->nFileSizeHigh : 0;
    if (before != NULL)
        trouble->written = before->ftLastWriteTime;
}

static FileTrouble *AddTrouble(WatchList *list, const char *path, int listed, const FILETIME *seen)
{
    FileTrouble *trouble;

    if (!MakeRoom((void **)&list->troubles, list->troubleCount, &list->troubleCapacity, sizeof(FileTrouble)))
        return NULL;
    trouble = &list->troubles[list->troubleCount++];
    ZeroMemory(trouble, sizeof(*trouble));
    lstrcpynA(trouble->path, path, LONG_PATH);
    trouble->hash = HashPath(path);
    if (!IndexNewTrouble(list)) {
        list->troubleCount--;
        return NULL;
    }
    trouble->listed = listed;
    trouble->since = GetTickCount();
    trouble->seen = *seen;
    return trouble;
}

// Room for a path in a log line, beside the time and the words.
#define LOGGED_PATH 900

static void LogStreak(FileTrouble *trouble, int reason)
{
    char shown[LONG_PATH], cut[LOGGED_PATH];

    if (!g_startLogged || (trouble->logged && trouble->reason == reason) || IsWaitingForDisk(reason))
        return;
    if (GetTickCount() - trouble->since < GetQuietAge(reason))
        return;
    if (IsDiskFailure(reason) && g_diskTrouble == reason)
        return;
    if (IsDiskFailure(reason))
        g_diskTrouble = reason;
    ToDisplayPath(trouble->path, shown, sizeof(shown));
    CopyPathTail(shown, cut, sizeof(cut));
    WriteLog(FindReason(reason)->saved ? "Kept %s aside: %s." : "Cannot back up %s: %s.", cut,
             FindReason(reason)->text);
    trouble->logged = 1;
}

static void NoteFailure(WatchList *list, const char *path, int listed, int reason, const WIN32_FIND_DATAA *before,
                        const FILETIME *seen)
{
    int index = FindTrouble(list, path);
    FileTrouble *trouble = index >= 0 ? &list->troubles[index] : AddTrouble(list, path, listed, seen);

    if (trouble == NULL)
        return;
    // A file gone from a listed folder is no failure: it was deleted.
    if (reason == FAIL_MISSING && !trouble->listed) {
        RemoveTrouble(list, (int)(trouble - list->troubles));
        return;
    }
    LogStreak(trouble, reason);
    trouble->reason = reason;
    // Back-off is for a file that stays as it was; one still being saved
    // (a burst of writes) starts again from the shortest wait.
    if (HasChanged(trouble, before))
        trouble->delay = 0;
    RememberSource(trouble, before);
    if (trouble->delay == 0)
        trouble->delay = FIRST_RETRY_MS;
    else
        trouble->delay = trouble->delay * 2 < LAST_RETRY_MS ? trouble->delay * 2 : LAST_RETRY_MS;
    trouble->retryAt = GetTickCount() + trouble->delay;
}

static void NoteSuccess(WatchList *list, const char *path)
{
    int index = FindTrouble(list, path);
    char shown[LONG_PATH];

    if (index < 0)
        return;
    ToDisplayPath(path, shown, sizeof(shown));
    if (list->troubles[index].logged)
        WriteLog("Backed up %s again.", shown);
    RemoveTrouble(list, index);
}

// The moment a try of the file is judged against: the report of its change,
// or of an earlier one that a failure has kept from being copied (a second
// save of the same size may hide behind the first one's time).
static void GetDueSeen(const WatchList *list, const char *path, const FILETIME *seen, FILETIME *due)
{
    int index = FindTrouble(list, path);

    *due = *seen;
    if (index >= 0 && CompareFileTime(&list->troubles[index].seen, seen) < 0)
        *due = list->troubles[index].seen;
}

// Whether to try the file now: always without a trouble; after a permanent
// failure once it has changed; after a passing one once it has changed or
// its retry is due.
static int ShouldTry(const WatchList *list, const char *path, const WIN32_FIND_DATAA *info)
{
    int index = FindTrouble(list, path);
    const FileTrouble *trouble;

    if (index < 0)
        return 1;
    trouble = &list->troubles[index];
    if (HasChanged(trouble, info))
        return 1;
    return !IsPermanentFailure(trouble->reason) && IsDue(GetTickCount(), trouble->retryAt);
}

void NoteTrouble(WatchList *list, const char *path, int reason, const WIN32_FIND_DATAA *info, const FILETIME *seen)
{
    if (ShouldTry(list, path, info))
        NoteFailure(list, path, 0, reason, info, seen);
}

// What a try's result means for the file's trouble; before is the source
// as it was found before the try (NULL: not there).
static void NoteResult(WatchList *list, const char *path, int listed, int result, const WIN32_FIND_DATAA *before,
                       const FILETIME *seen)
{
    if (result == COPY_DONE) {
        g_diskTrouble = 0;
        NoteSuccess(list, path);
    } else if (result == COPY_NOT_TRIED) {
        // Left when the disk failed another copy: it waits for the look.
        NoteFailure(list, path, listed, GetDiskWaitReason(), before, seen);
    } else if (result != COPY_STOPPED) {
        // The disk may have gone: the look that tells comes at once.
        if (IsDiskFailure(result))
            CheckDiskNow();
        if (result == FAIL_DISK_FULL && before != NULL && IsTooBigForDisk(list->backup, before))
            result = FAIL_TOO_BIG;
        NoteFailure(list, path, listed, result, before, seen);
    }
}

static int TryFile(WatchList *list, const char *path, int listed, const WIN32_FIND_DATAA *info, const FILETIME *seen)
{
    WIN32_FIND_DATAA before;
    FILETIME due;
    int result;

    if (info == NULL && GetPathInfo(path, &before))
        info = &before;
    GetDueSeen(list, path, seen, &due);
    if (!IsDiskReady() && info != NULL) {
        NoteFailure(list, path, listed, GetDiskWaitReason(), info, &due);
        return COPY_DONE;
    }
    // Read, a placeholder would bring its content down from online.
    if (info != NULL && IsOnlineOnly(info))
        result = FAIL_ONLINE_ONLY;
    else if (info != NULL && IsPastFileSystem(list->backup, info))
        result = FAIL_TOO_BIG;
    else
        result = BackUpFile(list->backup, path, info, &due);
    NoteResult(list, path, listed, result, info, &due);
    return result;
}

int TryFileWhenDue(WatchList *list, const char *path, int listed, const WIN32_FIND_DATAA *info,
                   const FILETIME *seen)
{
    if (!ShouldTry(list, path, info))
        return COPY_DONE;
    return TryFile(list, path, listed, info, seen);
}

// A round goes on while the disk is taken to be there: it stops at the
// first copy that fails on the disk (whose result asks for a look), and the
// jobs left wait for the answer instead of each failing in turn.
static int IsDiskStillReady(const CopyJob *done)
{
    return !IsDiskFailure(done->result) && IsDiskReady();
}

int TryFilesWhenDue(WatchList *list, CopyJob *jobs, int count, const FILETIME *seen)
{
    int i, due = 0;

    for (i = 0; i < count; i++) {
        if (!ShouldTry(list, jobs[i].path, &jobs[i].info))
            continue;
        jobs[due] = jobs[i];
        GetDueSeen(list, jobs[due].path, seen, &jobs[due].seen);
        due++;
    }
    if (IsDiskReady())
        RunCopyJobs(list->backup, jobs, due, IsDiskStillReady);
    else {
        for (i = 0; i < due; i++)
            jobs[i].result = COPY_NOT_TRIED;
    }
    for (i = 0; i < due; i++)
        NoteResult(list, jobs[i].path, 0, jobs[i].result, &jobs[i].info, &jobs[i].seen);
    for (i = 0; i < due; i++) {
        if (jobs[i].result == COPY_STOPPED)
            return COPY_STOPPED;
    }
    return COPY_DONE;
}

int BackUpEntry(WatchList *list, WatchEntry *entry)
{
    WIN32_FIND_DATAA info;

    if (!GetPathInfo(entry->path, &info)) {
        // Not there (yet): its folder's notification brings it back here.
        // A listed file counts as one, there or not.
        entry->files = 1;
        RecordGone(list, entry->path, entry->path, &entry->seen);
        if (ShouldTry(list, entry->path, NULL))
            NoteFailure(list, entry->path, 1, FAIL_MISSING, NULL, &entry->seen);
        return COPY_DONE;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        entry->files = 1;
        return TryFileWhenDue(list, entry->path, 1, &info, &entry->seen) == COPY_STOPPED ? COPY_STOPPED : COPY_DONE;
    }
    NoteSuccess(list, entry->path);  // a listed folder that has come
    // The tree is looked over after the changes reported meanwhile.
    AddTreeLook(list, entry->path, (int)(entry - list->entries), &entry->seen);
    return COPY_DONE;
}

int RetryDueFiles(WatchList *list)
{
    char path[LONG_PATH];
    FILETIME seen;
    int i, listed;

    // From the end: a trouble that ends is replaced by the last one, which
    // has been looked at already.
    for (i = list->troubleCount - 1; i >= 0; i--) {
        FileTrouble *trouble = &list->troubles[i];

        if (i >= list->troubleCount || IsPermanentFailure(trouble->reason) || IsWaitingForDisk(trouble->reason) ||
            !IsDue(GetTickCount(), trouble->retryAt))
            continue;
        lstrcpynA(path, trouble->path, sizeof(path));
        listed = trouble->listed;
        seen = trouble->seen;
        if (TryFile(list, path, listed, NULL, &seen) == COPY_STOPPED)
            return COPY_STOPPED;
    }
    return COPY_DONE;
}

DWORD TimeToNextRetry(const WatchList *list)
{
    DWORD now = GetTickCount(), next = INFINITE;
    int i;

    for (i = 0; i < list->troubleCount; i++) {
        const FileTrouble *trouble = &list->troubles[i];

        if (IsPermanentFailure(trouble->reason) || IsWaitingForDisk(trouble->reason))
            continue;
        if (IsDue(now, trouble->retryAt))
            return 0;
        if (trouble->retryAt - now < next)
            next = trouble->retryAt - now;
    }
    return next;
}

void LogStart(WatchList *list)
{
    int i, files = 0;

    if (g_startLogged)
        return;
    for (i = 0; i < list->entryCount; i++)
        files += list->entries[i].files;
    WriteLog("Started: %d entries, %d files watched.", list->entryCount, files);
    g_startLogged = 1;
    for (i = 0; i < list->troubleCount; i++)
        LogStreak(&list->troubles[i], list->troubles[i].reason);
}

void FreeTroubles(WatchList *list)
{
    if (list->troubles != NULL)
        HeapFree(GetProcessHeap(), 0, list->troubles);
    FreeTroubleIndex(list);
    list->troubles = NULL;
    list->troubleCount = list->troubleCapacity = 0;
}

void NoteWaiting(WatchList *list, const char *path, const FILETIME *seen)
{
    int index = FindTrouble(list, path);
    FileTrouble *trouble = index >= 0 ? &list->troubles[index] : AddTrouble(list, path, 0, seen);

    if (trouble == NULL)
        return;
    trouble->reason = GetDiskWaitReason();
    if (CompareFileTime(seen, &trouble->seen) < 0)
        trouble->seen = *seen;
    // The latest report stands for its save: the newest go first. What it
    // is (a file, a folder, gone) is looked at once the disk is back.
    trouble->written = *seen;
}

int HasWaitingFiles(const WatchList *list)
{
    int i;

    for (i = 0; i < list->troubleCount; i++) {
        if (IsWaitingForDisk(list->troubles[i].reason))
            return 1;
    }
    return 0;
}

// The paths of the CATCH_UP_BATCH files waiting that were saved last,
// newest first, found in one pass over the troubles; how many.
static int PickNewestWaiting(const WatchList *list, CopyJob *jobs)
{
    const FileTrouble *picked[CATCH_UP_BATCH];
    const int most = CATCH_UP_BATCH;
    int count = 0, i, at;

    for (i = 0; i < list->troubleCount; i++) {
        const FileTrouble *trouble = &list->troubles[i];

        if (!IsWaitingForDisk(trouble->reason))
            continue;
        for (at = count; at > 0 && CompareFileTime(&trouble->written, &picked[at - 1]->written) > 0; at--) {
            if (at < most)
                picked[at] = picked[at - 1];
        }
        if (at < most)
            picked[at] = trouble;
        count += count < most;
    }
    for (i = 0; i < count; i++)
        lstrcpynA(jobs[i].path, picked[i]->path, LONG_PATH);
    return count;
}

int CatchUpWaiting(WatchList *list)
{
    CopyJob *jobs;
    FileTrouble *trouble;
    FILETIME now, seen;
    int count = 0, picked, i, k, result, found;

    if (!IsDiskReady())
        return COPY_DONE;
    jobs = (CopyJob *)HeapAlloc(GetProcessHeap(), 0, CATCH_UP_BATCH * sizeof(CopyJob));
    if (jobs == NULL)
        return COPY_DONE;
    GetSystemTimeAsFileTime(&now);
    picked = PickNewestWaiting(list, jobs);
    // Each is found again by its path: a try moves the troubles about.
    for (k = 0; k < picked; k++) {
        if ((i = FindTrouble(list, jobs[k].path)) < 0)
            continue;
        trouble = &list->troubles[i];
        // Taken: tried now, then as any passing trouble.
        trouble->reason = COPY_RETRY;
        trouble->retryAt = GetTickCount();
        if (count != k)
            lstrcpynA(jobs[count].path, jobs[k].path, LONG_PATH);
        jobs[count].result = COPY_RETRY;
        // A listed file is tried on its own, as any listed file.
        if (trouble->listed) {
            result = TryFile(list, jobs[count].path, 1, NULL, &now);
            if (result == COPY_STOPPED)
                break;
            NoteCaughtUp(result == COPY_DONE);
            continue;
        }
        // A folder reported meanwhile is looked over, one gone recorded.
        found = GetPathInfo(trouble->path, &jobs[count].info);
        if (!found || (jobs[count].info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            seen = trouble->seen;
            RemoveTrouble(list, i);
            ServeWaitedName(list, jobs[count].path, &seen);
            continue;
        }
        count++;
    }
    result = TryFilesWhenDue(list, jobs, count, &now);
    for (i = 0; i < count; i++)
        NoteCaughtUp(jobs[i].result == COPY_DONE);
    HeapFree(GetProcessHeap(), 0, jobs);
    EndCatchUp(list);
    return MustEnd() ? COPY_STOPPED : result;
}
