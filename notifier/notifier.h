// What the notifier's rooms share: the watched list and what it holds, and
// the top's own work: reading the list, times, the turn, the loop, the log.
// Each room (watch/, copy/, trouble/, show/) declares the rest in its header.
#ifndef DUPLIX_NOTIFIER_H
#define DUPLIX_NOTIFIER_H

#include <windows.h>

#include "app/program.h"
#include "layout/copy_layout.h"

#define NO_FOLDER (-1)

// One entry of the backup list: a file, or a folder whose whole tree is
// copied.
struct WatchEntry {
    char path[MAX_PATH];  // full path, no trailing backslash
    DWORD hash;           // of the path in capitals, to find repeats fast
    int parent;           // watched folder that holds it, or NO_FOLDER
    int self;             // the entry itself watched as a tree, or NO_FOLDER
    int pending;          // to be looked at
    int reported;         // pending because its folder reported a change
    FILETIME seen;        // when its earliest change not yet copied was reported (or the start)
    int files;            // files found by the last whole look (1 for a file)
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
    // The earliest report of a change not yet copied: every try of the
    // streak judges the copies against it, never against the try's moment.
    FILETIME seen;
    int next;  // the next trouble of its hash's bucket, -1 for none
};

struct TreeRead;  // watch/tree_read.cpp

// One watched folder: the folder of listed files, or a listed folder's
// tree. Its handles belong to one watching thread.
struct WatchFolder {
    char path[MAX_PATH];
    DWORD hash;
    int tree;       // a listed folder: every file below it counts
    HANDLE change;  // INVALID_HANDLE_VALUE while the folder is missing
    TreeRead *read;  // Windows NT: the tree's changed names, read as they come
    int dead;       // the path is a file: no folder will come, stop looking
    // Set by the watching thread to the tick count (never 0) of the
    // earliest change not yet looked at; 0 when none waits.
    volatile LONG changed;
    LONG taken;             // the main loop's copy of changed
    int polled;     // refuses notifications: looked at every 2 s instead
    int anonymous;  // its identity cannot be read: only its being there counts
    DWORD idLow, idHigh;  // which folder lies at the path while watched
    DWORD listing;  // of a polled folder's names, sizes and times
};

// A folder above the watched ones: a rename or removal of any folder on
// the way to a watched one shows in the folder names of the one above it.
struct AboveWatch {
    char path[MAX_PATH];
    HANDLE change;
};

struct ReportedPath;  // watch/report_queue.cpp

// The names the trees reported, oldest first (watch/report_queue.cpp).
struct ReportQueue {
    CRITICAL_SECTION lock;
    ReportedPath *items;
    int first, count, capacity;
    // Too many: the trees are looked over instead; the tick count (never 0)
    // of the first name lost, as changed of a folder.
    volatile LONG overflowed;
};

// A folder whose tree is to be looked over: at the start, after a lost
// notification, on Windows 9x after any change, or a folder made later.
struct TreeLook {
    char *path;  // on the heap
    int entry;
    FILETIME seen;  // of its earliest change not yet looked at
};

struct WatchGroup;  // watch/folder_watch.cpp: one watching thread

struct WatchList {
    char backup[MAX_PATH];
    WatchEntry *entries;
    int entryCount;
    WatchFolder *folders;
    int folderCount;
    AboveWatch *aboves;
    int aboveCount;
    WatchGroup *groups;
    int groupCount;
    FileTrouble *troubles;
    int troubleCount, troubleCapacity;
    int *troubleBuckets;  // the first trouble of each hash, -1 for none
    int troubleBucketCount;
    ReportQueue reports;
    TreeLook *looks;
    int lookCount, lookCapacity;
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
// A copy of text on the heap; NULL when out of memory.
char *CopyText(const char *text);

// log.cpp: the log (LOG_NAME) in the backup folder, in the temporary folder
// while that cannot be written; one generation kept as Duplix.log.old.
void OpenLog(const char *backup);
void WriteLog(const char *format, ...);
// Where the log lies in folder (the backup folder), or with folder NULL in
// the temporary folder, where it goes while the backup folder cannot be
// written; 0 when there is no such path.
int GetLogPath(const char *folder, char *path, int size);
// The log's line for a moment: "2026-12-07 14:03:12 " in local time.
void FormatLogTime(const SYSTEMTIME *local, char *out);

// moments.cpp: a file time in 100-ns ticks; whether a tick count has come;
// whether an event (NULL or none: never) is signalled, without waiting.
ULONGLONG ToTicks(const FILETIME *time);
int IsDue(DWORD now, DWORD at);
int IsSignalled(HANDLE handle);
// The moment of a report made at a tick count, by the clock as it is now.
void GetReportedTime(DWORD reportedAt, FILETIME *seen);
// Marks a change reported now in flag (a folder's changed, the queue's
// overflowed), unless an earlier one still waits there: a later report
// never moves the moment of a change not yet copied.
void NoteReportTick(volatile LONG *flag);
// The earlier of two waiting report ticks (0: none).
LONG EarlierTick(LONG a, LONG b);

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
