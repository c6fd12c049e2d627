// What the notifier's files share: the watched list, the results of a copy,
// and the operations each file provides.
#ifndef DUPLIX_NOTIFIER_H
#define DUPLIX_NOTIFIER_H

#include <windows.h>

#include "app/program.h"

// Room for a path under the backup path: the backup path, a ring's slot and
// a source path of up to 259 characters, or a file inside a listed folder.
#define LONG_PATH 1024

// Outcome of backing up one file or entry.
#define COPY_DONE 0     // copied, or nothing to copy
#define COPY_RETRY 1    // in use or changing while read: try again later
#define COPY_STOPPED 2  // the stop event was signalled meanwhile
// Failures the log names; the first three wait until the file changes.
#define FAIL_MISSING 3
#define FAIL_ACCESS 4        // access denied on the source
#define FAIL_NAME 5          // a name the file system cannot reach
#define FAIL_TOO_LONG 6
#define FAIL_DISK_FULL 7
#define FAIL_NOT_WRITABLE 8  // the backup folder refuses the copy

// The rings of older copies.
#define RING_MINUTE 0
#define RING_HOUR 1
#define RING_DAY 2
#define RING_COUNT 3

#define NO_FOLDER (-1)

// One entry of the backup list: a file, or a folder whose files are copied.
struct WatchEntry {
    char path[MAX_PATH];  // full path, no trailing backslash
    DWORD hash;           // of the path in capitals, to find repeats fast
    int parent;           // watched folder that holds it, or NO_FOLDER
    int self;             // the entry itself watched as a folder, or NO_FOLDER
    int pending;          // to be looked at
    int reported;         // pending because its folder reported a change
    FILETIME seen;        // when the change was reported (or the start)
};

// A file that could not be backed up: retried on its own, with its own
// back-off, so that it never holds up the other files.
struct FileTrouble {
    char path[LONG_PATH];
    DWORD hash;
    int reason;  // a FAIL_ code, or COPY_RETRY
    int listed;  // the path is a list entry (not a file found in a folder)
    int logged;  // the log has a line for this streak
    DWORD since;  // tick count of the streak's first failure
    DWORD retryAt, delay;
    // The source as it was at the failure: a permanent failure is tried
    // again only once it has changed.
    DWORD sizeLow, sizeHigh;
    FILETIME written;
    int exists;
};

// One watched folder; its change handle belongs to one watching thread.
struct WatchFolder {
    char path[MAX_PATH];
    DWORD hash;
    HANDLE change;  // INVALID_HANDLE_VALUE while the folder is missing
    HANDLE above;   // its parent's folder names, where its rename shows
    int dead;       // the path is a file: no folder will come, stop looking
    volatile LONG changed;  // set by the watching thread
    LONG taken;             // the main loop's copy of changed
    volatile LONG reportedAt;  // seconds after the start when it changed
    int polled;     // refuses notifications: looked at every 2 s instead
    DWORD idLow, idHigh;  // which folder lies at the path while watched
    DWORD listing;  // of a polled folder's names, sizes and times
};

struct WatchGroup;

struct WatchList {
    char backup[MAX_PATH];
    WatchEntry *entries;
    int entryCount;
    WatchFolder *folders;
    int folderCount;
    WatchGroup *groups;
    int groupCount;
    FileTrouble *troubles;
    int troubleCount, troubleCapacity;
    FILETIME started;
    HANDLE wake;  // set by a watching thread when a folder changed
    HANDLE quit;  // tells the watching threads to end
};

// settings_list.cpp: the backup path and the list from the product key.
int LoadWatchList(WatchList *list);
void FreeWatchList(WatchList *list);
// A case-blind hash of a path, to find repeats by numbers.
DWORD HashPath(const char *path);
// Grows a heap array so that it holds one more item; 0 when out of memory.
int MakeRoom(void **items, int count, int *capacity, size_t itemSize);

// folder_watch.cpp: threads that wait for change notifications.
int StartWatching(WatchList *list);
void StopWatching(WatchList *list);
// Marks the entries of every folder that changed as pending; 1 if any.
int CollectChanges(WatchList *list);

// backup_paths.cpp: where a source's copies go.
// The full path of a list entry (MAX_PATH bytes), ".." resolved, without a
// trailing backslash; 0 for text that is not a full path.
int NormalizeSourcePath(const char *text, char *full);
// The copy's path for a full source path under root (the backup path or a
// ring's slot folder); 0 when it does not fit in size.
int MapToBackup(const char *root, const char *source, char *out, int size);
int JoinPath(char *out, int size, const char *folder, const char *name);
// Backslashes found by character, never by byte (multi-byte code pages).
int EndsWithSlash(const char *path);
// Whether path lies among the copies under the backup path (a drive letter's
// folder, UNC, a ring), where watching would copy copies.
int IsInsideCopies(const char *path, const char *backup);

// rings.cpp: slot names and ages; time is a parameter.
int GetSlotFolder(const char *backup, int ring, const FILETIME *now, char *out, int size);
int IsSlotExpired(int ring, const FILETIME *slotTime, const FILETIME *now);
int IsSlotFromEarlierRound(int ring, const FILETIME *slotTime, const FILETIME *now);
// Whether the slot of the moment when may since have been taken by a later
// round of its ring.
int IsRoundOver(int ring, const FILETIME *when, const FILETIME *now);
int PrepareSlot(const char *backup, int ring, const FILETIME *now, char *slot, int size);
void PruneRings(const char *backup, const FILETIME *now);

// file_copy.cpp: one copy under a temporary name, renamed into place.
int CopyThroughTemp(const char *source, const char *target, HANDLE stop);

// backup_file.cpp: a file's newest copy and ring copies. seen is when the
// change was reported: a write close to it may hide behind a coarse time.
int BackUpFile(const char *backup, const char *source, HANDLE stop, const FILETIME *seen);
// Whether two write times are the same within the coarsest granularity of
// the file systems a copy may lie on (FAT keeps 2 s).
int IsSameTime(const FILETIME *a, const FILETIME *b);

// file_trouble.cpp: each file's failures, back-off and log lines.
// Backs up a list entry (a folder: each file in it); COPY_STOPPED or done.
int BackUpEntry(WatchList *list, WatchEntry *entry, HANDLE stop);
// Tries again the failed files that are due; COPY_STOPPED or done.
int RetryDueFiles(WatchList *list, HANDLE stop);
// Milliseconds until the next retry is due (INFINITE for none).
DWORD TimeToNextRetry(const WatchList *list);
void FreeTroubles(WatchList *list);
// The name of a failure as the log writes it.
const char *DescribeFailure(int reason);
// Whether a failure stays until the file changes.
int IsPermanentFailure(int reason);

// log.cpp: Duplix.log in the backup folder, in the temporary folder while
// that cannot be written; one generation kept as Duplix.log.old.
void OpenLog(const char *backup);
void WriteLog(const char *format, ...);
// The log's line for a moment: "2026-12-07 14:03:12 " in local time.
void FormatLogTime(const SYSTEMTIME *local, char *out);

// long_path.cpp: file operations for paths of any length under LONG_PATH.
// A name in a listed folder that the ANSI code page cannot hold (Windows NT)
// is carried as this mark and the name in UTF-8; only the wide calls see it.
#define WIDE_NAME_MARK '\x01'
// The path as the log shows it (such names in the code page, as best it can).
void ToDisplayPath(const char *path, char *out, int size);
HANDLE OpenPath(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
int MakeFolder(const char *path);
int MakeFolderTree(const char *path);
int DeletePath(const char *path);
// Renames from over to, written through on Windows NT; 0 when refused.
int MovePathReplacing(const char *from, const char *to);
// The replace of Windows 9x, by renames that never lose the old copy.
int ReplaceByRenames(const char *from, const char *to);
// Puts back an old copy that a cut-short replace left aside.
void RestoreAside(const char *to);
int IsWindowsNt(void);
// Size, attributes and last write time of an existing path; 0 when missing.
int GetPathInfo(const char *path, WIN32_FIND_DATAA *info);
void RemoveTree(const char *path);
// Calls found(file, data, context) for each file directly in folder (not
// its subfolders) until found returns 0; returns the last answer.
typedef int (*FileFound)(const char *file, const WIN32_FIND_DATAA *data, void *context);
int ForEachFileIn(const char *folder, FileFound found, void *context);
DWORD ShareAll(void);
// Whether this system can reach the path at all (Windows 9x: below MAX_PATH).
int CanUsePath(const char *path);

// moments.cpp: a file time in 100-ns ticks; whether a tick count has come;
// whether an event (NULL or none: never) is signalled, without waiting.
ULONGLONG ToTicks(const FILETIME *time);
int IsDue(DWORD now, DWORD at);
int IsSignalled(HANDLE handle);

// wait_loop.cpp: watching and copying until the stop event is signalled or
// a newer notifier signals takeover.
void RunNotifier(WatchList *list, HANDLE stop, HANDLE takeover);

#endif
