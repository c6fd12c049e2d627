// What the notifier's files share: the watched list, the results of a copy,
// and the operations each file provides.
#ifndef DUPLIX_NOTIFIER_H
#define DUPLIX_NOTIFIER_H

#include <windows.h>

#include "app/program.h"
#include "layout/copy_layout.h"

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
    volatile LONG reportedAt;  // tick count when it changed
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

// rings.cpp: slot names, rounds and ages; time is a parameter.
// A slot's round as the notifier records it in the slot: the local start of
// its minute, hour or day, and the moment it was taken (UTC), in 100 ns.
struct SlotRound {
    ULONGLONG start;
    ULONGLONG taken;
};
int GetSlotFolder(const char *backup, int ring, const FILETIME *now, char *out, int size);
void GetRoundOf(int ring, const FILETIME *when, SlotRound *round);
int ReadSlotRound(const char *slot, SlotRound *round);
int IsSlotExpired(int ring, const SlotRound *round, const FILETIME *now);
int IsSlotFromEarlierRound(int ring, const SlotRound *round, const FILETIME *now);
// Whether the slot of the moment when may since have been taken by a later
// round of its ring.
int IsRoundOver(int ring, const FILETIME *when, const FILETIME *now);
// Makes the slot of the moment when ready for its round; 0 when it cannot.
int PrepareSlot(const char *backup, int ring, const FILETIME *when, char *slot, int size);
// Removes the slots past their span; 0 when told to end meanwhile.
int PruneRings(const char *backup, const FILETIME *now);

// backup_file.cpp: a file's newest copy and ring copies. seen is when the
// change was reported: a write close to it may hide behind a coarse time.
int BackUpFile(const char *backup, const char *source, const FILETIME *seen);
// Whether two write times are the same within the coarsest granularity of
// the file systems a copy may lie on (FAT keeps 2 s).
int IsSameTime(const FILETIME *a, const FILETIME *b);

// file_trouble.cpp: each file's failures, back-off and log lines.
// Backs up a list entry (a folder: each file in it); COPY_STOPPED or done.
int BackUpEntry(WatchList *list, WatchEntry *entry);
// Tries again the failed files that are due; COPY_STOPPED or done.
int RetryDueFiles(WatchList *list);
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

// moments.cpp: a file time in 100-ns ticks; whether a tick count has come;
// whether an event (NULL or none: never) is signalled, without waiting.
ULONGLONG ToTicks(const FILETIME *time);
int IsDue(DWORD now, DWORD at);
int IsSignalled(HANDLE handle);

// turn.cpp: one notifier at a time, the newest; when this one ends.
// Waits for this notifier's turn; 0 when it is to end at once (an empty
// list, a newer notifier, or the system refused the shared objects).
int BeginTurn(void);
void EndTurn(void);
// The stop event, the takeover event and the user's stop, for waits.
#define END_HANDLE_COUNT 3
const HANDLE *GetEndHandles(void);
// After a wait found end handle number signalled: whether to end now.
int MustEndAfterWait(int signalled);
// Whether to end now; looked at between files, chunks and slots.
int MustEnd(void);
// The user's stop, from any thread.
void AskToEnd(void);

// wait_loop.cpp: watching and copying until the notifier must end.
void RunNotifier(WatchList *list);

#endif
