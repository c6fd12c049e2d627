// What the notifier's files share: the watched list, the results of a copy,
// and the operations each file provides.
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
};

struct TreeRead;

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

struct ReportedPath;

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

struct WatchGroup;

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

// copy_workers.cpp: files backed up side by side, so that the flushes of
// their copies overlap.
#define COPY_WORKERS 4
struct CopyJob {
    char path[LONG_PATH];
    WIN32_FIND_DATAA info;  // the source as it was found
    FILETIME seen;          // when its change was reported
    int result;             // BackUpFile's
};
// Backs up every job's file, on up to COPY_WORKERS threads; returns when all
// are done.
void RunCopyJobs(const char *backup, CopyJob *jobs, int count);
void StopCopyWorkers(void);

// copy_listing.cpp: the newest copies of one folder's files and folders,
// by name.
struct CopyListing;
CopyListing *ReadCopyListing(const char *folder);
// The copy's size and time for a file name (info may be NULL), marking the
// name as answered by a source; 0 when there is none or it is a folder.
int FindListedCopy(CopyListing *listing, const char *name, WIN32_FIND_DATAA *info);
// Calls found for each name no source answered; found's 1 marks it
// answered. Returns how many it called found for.
typedef int (*CopyFound)(const char *name, const WIN32_FIND_DATAA *copy, void *context);
int ForEachMissingCopy(CopyListing *listing, CopyFound found, void *context);
void FreeCopyListing(CopyListing *listing);

// rings.cpp: slot names, rounds and ages; time is a parameter.
int GetSlotFolder(const char *backup, int ring, const FILETIME *now, char *out, int size);
void GetRoundOf(int ring, const FILETIME *when, SlotRound *round);
int IsSlotExpired(int ring, const SlotRound *round, const FILETIME *now);
int IsSlotFromEarlierRound(int ring, const SlotRound *round, const FILETIME *now);
// Whether the slot of the moment when may since have been taken by a later
// round of its ring.
int IsRoundOver(int ring, const FILETIME *when, const FILETIME *now);
// Moves a moment on into a later round of the ring, at most to now; 0 once
// it is in the round of now. A step may stay in the same round (a day of
// 25 hours), never skip one.
int StepRound(int ring, FILETIME *moment, const FILETIME *now);
// A moment in the round of the ring before the one now is in.
void GetPreviousRound(int ring, const FILETIME *now, FILETIME *before);
// Makes the slot of the moment when ready for its round; 0 when it cannot.
int PrepareSlot(const char *backup, int ring, const FILETIME *when, char *slot, int size);
// Removes the slots past their span; 0 when told to end meanwhile.
int PruneRings(const char *backup, const FILETIME *now);

// backup_file.cpp: a file's newest copy and ring copies. seen is when the
// change was reported: a write close to it may hide behind a coarse time.
// info is the source as found (NULL: looked up here). It may run on
// several threads at once, for different sources. COPY_WAITING: the
// version is saved beside a newest copy someone holds open, to take its
// place later.
int BackUpFile(const char *backup, const char *source, const WIN32_FIND_DATAA *info, const FILETIME *seen);
// Whether a copy is the version made (the same size and time).
int IsSameVersion(const WIN32_FIND_DATAA *made, const WIN32_FIND_DATAA *copy);
// Puts the version in from at target, a slot's copy: a further name of
// linkFrom (another slot's copy of it; empty for none) where links are
// made, a copy of the data elsewhere.
int PutVersionInSlot(const char *from, const char *linkFrom, const char *target);
// Whether two write times are the same within the coarsest granularity of
// the file systems a copy may lie on (FAT keeps 2 s).
int IsSameTime(const FILETIME *a, const FILETIME *b);
// Whether a copy is the source as it is: the same size and time, and the
// source written long enough before seen that no save can hide behind them.
int IsCurrentCopy(const WIN32_FIND_DATAA *source, const WIN32_FIND_DATAA *copy, const FILETIME *seen);

// keep_version.cpp: the version a save replaces stays in the rings.
// Before the newest copy (holding kept) is replaced, puts it into the slot
// of the previous round of each ring where it was written before the
// current round; COPY_DONE, or the failure that must keep it from being
// replaced.
int KeepReplacedVersion(const char *backup, const char *source, const char *newest, const WIN32_FIND_DATAA *kept);

// owed_slots.cpp: whether a tree's current files still owe slot copies,
// read with one listing per slot folder.
struct SlotListings;
// Whether the file name in folder (a source folder), whose current newest
// copy is copy, is missing from every slot of a ring from the round it was
// written in to now, while that round's slot can still be its own;
// *listings keeps what was read (NULL at first).
int OwesSlotCopy(SlotListings **listings, const char *backup, const char *folder, const char *name,
                 const WIN32_FIND_DATAA *copy, const FILETIME *now);
void FreeSlotListings(SlotListings *listings);

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

// reasons.cpp: why a file is not backed up, shared by the log, the icon and
// the status window.
struct FailureReason {
    int code;              // a FAIL_ code, COPY_RETRY or COPY_WAITING
    const char *text;      // short: the log's line, the status window's column
    const char *sentence;  // "... cannot back up plan.doc: <sentence>."
    int permanent;         // tried again only once the file has changed
    int disk;              // the backup disk or folder: every file fails alike
    int saved;             // the version is kept all the same: no failure
};
// The row of a reason; an unknown code gets the row of a file in use.
const FailureReason *FindReason(int code);
// Whether a failure stays until the file changes.
int IsPermanentFailure(int reason);
// A full or refusing backup disk: every file fails alike.
int IsDiskFailure(int reason);

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
