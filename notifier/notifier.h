// What the notifier's files share: the watched list, the results of a copy,
// and the operations each file provides.
#ifndef DUPLIX_NOTIFIER_H
#define DUPLIX_NOTIFIER_H

#include <windows.h>

// Room for a path under the backup path: the backup path, a ring's slot and
// a source path of up to 259 characters, or a file inside a listed folder.
#define LONG_PATH 1024

// Outcome of backing up one file or entry.
#define COPY_DONE 0   // copied, or nothing to copy
#define COPY_RETRY 1  // locked, changing, or the disk refused: try again later
#define COPY_STOPPED 2  // the stop event was signalled meanwhile

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
    int pending;
    DWORD retryAt;  // tick count of the next try while pending
    DWORD retryDelay;
};

// One watched folder; its change handle belongs to one watching thread.
struct WatchFolder {
    char path[MAX_PATH];
    DWORD hash;
    HANDLE change;  // INVALID_HANDLE_VALUE while the folder is missing
    int dead;       // the path is a file: no folder will come, stop looking
    volatile LONG changed;  // set by the watching thread
    LONG taken;             // the main loop's copy of changed
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
    HANDLE wake;  // set by a watching thread when a folder changed
    HANDLE quit;  // tells the watching threads to end
};

// settings_list.cpp: the backup path and the list from the product key.
int LoadWatchList(WatchList *list);
void FreeWatchList(WatchList *list);

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

// backup_file.cpp: a listed entry's newest copy and ring copies.
int BackUpEntry(const char *backup, const char *entry, HANDLE stop);

// long_path.cpp: file operations for paths of any length under LONG_PATH.
HANDLE OpenPath(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
int MakeFolder(const char *path);
int MakeFolderTree(const char *path);
int DeletePath(const char *path);
int MovePathReplacing(const char *from, const char *to);
// Size, attributes and last write time of an existing path; 0 when missing.
int GetPathInfo(const char *path, WIN32_FIND_DATAA *info);
void RemoveTree(const char *path);
// Calls found(file, context) for each file directly in folder (not its
// subfolders) until found returns 0; returns the last answer.
int ForEachFileIn(const char *folder, int (*found)(const char *file, void *context), void *context);
DWORD ShareAll(void);
// Whether this system can reach the path at all (Windows 9x: below MAX_PATH).
int CanUsePath(const char *path);

// wait_loop.cpp: watching and copying until the stop event is signalled.
void RunNotifier(WatchList *list, HANDLE stop);

#endif
