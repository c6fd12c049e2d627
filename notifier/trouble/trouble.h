// Troubles: a file that cannot be backed up is tried again on its own, with
// its own back-off and log lines; and the one table of reasons the log, the
// icon and the status window give for it.
#ifndef DUPLIX_NOTIFIER_TROUBLE_H
#define DUPLIX_NOTIFIER_TROUBLE_H

#include "notifier/notifier.h"

struct CopyJob;

// file_trouble.cpp: each file's failures, back-off and log lines.
// A file in use for a moment (while it is saved) is no news: a passing
// failure counts, for the log and the icon, once it has lasted this long.
#define QUIET_STREAK_MS 2000
// Backs up a listed file, or a listed folder's tree; COPY_STOPPED or done.
int BackUpEntry(WatchList *list, WatchEntry *entry);
// Backs up one file unless its trouble says to wait; listed: it is a list
// entry. COPY_STOPPED or the copy's result.
int TryFileWhenDue(WatchList *list, const char *path, int listed, const WIN32_FIND_DATAA *info,
                   const FILETIME *seen);
// The same for a look's files found in a folder (not listed), side by side;
// COPY_STOPPED or done.
int TryFilesWhenDue(WatchList *list, CopyJob *jobs, int count, const FILETIME *seen);
// A file of a look that is not to be read (a FAIL_ code), as its try would
// have failed.
void NoteTrouble(WatchList *list, const char *path, int reason, const WIN32_FIND_DATAA *info, const FILETIME *seen);
// Tries again the failed files that are due; COPY_STOPPED or done.
int RetryDueFiles(WatchList *list);
// Milliseconds until the next retry is due (INFINITE for none).
DWORD TimeToNextRetry(const WatchList *list);
void FreeTroubles(WatchList *list);
// The log's start line, once the start's look is over (or the notifier
// ends before), then the troubles that look found.
void LogStart(WatchList *list);
// How long a failure lasts before it is news for the log and the icon:
// a permanent one at once, a passing one after QUIET_STREAK_MS.
DWORD GetQuietAge(int reason);

// trouble_index.cpp: the troubles by their path's hash. A new trouble,
// the last one, is indexed (0 when out of memory); a trouble removed takes
// the last one's place.
int FindTrouble(const WatchList *list, const char *path);
int IndexNewTrouble(WatchList *list);
void RemoveTrouble(WatchList *list, int index);
void FreeTroubleIndex(WatchList *list);

// reasons.cpp: why a file is not backed up, shared by the log, the icon and
// the status window.
struct FailureReason {
    int code;              // a FAIL_ code, COPY_RETRY or COPY_WAITING
    const char *text;      // short: the log's line, the status window's column
    const char *sentence;  // "... cannot back up plan.doc: <sentence>."
    int permanent;         // tried again only once the file has changed
    int disk;              // the backup disk or folder: every file fails alike
    int saved;             // the version is kept all the same: no failure
    int waits;             // the file waits for the backup disk to come back
};
// The row of a reason; an unknown code gets the row of a file in use.
const FailureReason *FindReason(int code);
// Whether a failure stays until the file changes.
int IsPermanentFailure(int reason);
// A full or refusing backup disk: every file fails alike.
int IsDiskFailure(int reason);
// The file waits for the backup disk: neither tried nor counted meanwhile.
int IsWaitingForDisk(int reason);

// Files that waited for the backup disk, copied once it is back: the
// newest saves first, side by side, a batch at a time so that saves made
// meanwhile go before the rest. COPY_STOPPED or done.
int CatchUpWaiting(WatchList *list);
// A name a tree reported while the disk is away, noted without a look at
// it: the catch-up finds what it is (a file, a folder, gone).
void NoteWaiting(WatchList *list, const char *path, const FILETIME *seen);
// Whether files wait for the backup disk.
int HasWaitingFiles(const WatchList *list);

// backup_disk.cpp: the backup disk as one state, looked at every few
// seconds on a thread of its own (a share gone away may take long to
// answer), and at once when asked.
#define DISK_UNKNOWN 0  // not looked at yet
#define DISK_THERE 1
#define DISK_AWAY 2     // its drive or share cannot be reached
#define DISK_OTHER 3    // there, but not the one that holds the copies
// Starts the looks; the list's wake event is set when the answer changes.
int StartDiskWatch(WatchList *list);
void StopDiskWatch(void);
// Asks for a look at once: a copy failed on the disk, a volume arrived.
void CheckDiskNow(void);
// Whether copies may be made now.
int IsDiskReady(void);
// Why a file waits now: FAIL_DISK_AWAY, or FAIL_OTHER_DISK.
int GetDiskWaitReason(void);
// Whether the disk has been looked at since the start.
int IsDiskKnown(void);
// Takes a change of the answer on the copying thread: its log line, the
// troubles of the disk turned into waiting files, the catch-up begun.
void TakeDiskState(WatchList *list);
// Counts files caught up, for the line that ends a catch-up.
void NoteCaughtUp(int files);
// Tells the line once no file waits any more.
void EndCatchUp(const WatchList *list);
// The state, since when it holds, and the files the last catch-up copied.
void GetDiskReport(int *state, FILETIME *since, int *caughtUp);
// A deletion could not be recorded while the disk was away: the trees are
// looked over once it is back.
void NoteGoneUnrecorded(void);

// disk_identity.cpp: which disk lies at the backup path. The backup folder
// holds a mark whose name the product key keeps: a folder missing, or with
// another mark, where copies were made is another disk. A path not used
// before, or just confirmed with OK in the settings, is taken as it is.
int LookAtBackupDisk(const char *backup);
// "X:\" or "\\server\share\" of the backup path (MAX_PATH bytes); 0 for none.
int GetBackupRoot(const char *backup, char *root);

// disk_room.cpp: a file the backup disk cannot hold.
// Past what its file system holds (4 GB on FAT): not worth a try.
int IsPastFileSystem(const char *backup, const WIN32_FIND_DATAA *info);
// Bigger than the disk's free space, after a copy found the disk full.
int IsTooBigForDisk(const char *backup, const WIN32_FIND_DATAA *info);

#endif
