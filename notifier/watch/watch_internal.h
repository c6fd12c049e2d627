// What the watching room's own files share: the changes the watching
// threads marked, a tree's read on Windows NT, the queue of reported names,
// what a tree leaves out, and the copies a look found no source for.
#ifndef DUPLIX_NOTIFIER_WATCH_INTERNAL_H
#define DUPLIX_NOTIFIER_WATCH_INTERNAL_H

#include "notifier/notifier.h"

struct CopyListing;

// folder_watch.cpp: marks the entries of every folder that changed as
// pending, and the trees to look over; 1 if any.
int CollectChanges(WatchList *list);

// tree_read.cpp: a tree's changed names on Windows NT, as they come.
// Starts reading the folder's tree (folder->change becomes the read's
// event); 0 where the system cannot, then it is watched as on Windows 9x.
int StartTreeRead(WatchFolder *folder);
// Takes what a finished read named into the queue and reads on; 0 when the
// folder can no longer be read (gone).
int TakeTreeRead(WatchList *list, WatchFolder *folder);
// Whether the tree's last read came back a quarter full or more: names come
// fast, and are not left to gather.
int IsReadFilling(const WatchFolder *folder);
// How long names may gather in the folder's buffer while nothing is copied.
DWORD GetGatherTime(const WatchFolder *folder);
void StopTreeRead(WatchFolder *folder);

// report_queue.cpp: adds a path (a repeat of a recent one is taken as it);
// 0 when full.
int PushReport(ReportQueue *queue, const char *path, DWORD at);
// The oldest path into path (LONG_PATH bytes); 0 when there is none.
int PopReport(ReportQueue *queue, char *path, DWORD *at);

// tree_rules.cpp: what a listed folder's tree leaves out (the list's rule
// is layout's IsListedBy; these add what the found attributes tell).
// Folders never followed: links and junctions, the recycle bin, "System
// Volume Information", and the backup path's own tree.
int IsSkippedFolder(const WatchList *list, const char *path, const WIN32_FIND_DATAA *data);
// Whether a path below a listed folder is one of its files to copy.
int IsTreeFile(const WatchList *list, const char *path, const WIN32_FIND_DATAA *data);

// deletions.cpp: records at now the names in a looked-at folder's copies
// that no source answered, unless recorded gone since their copy was made.
void RecordMissingSources(WatchList *list, const char *folder, CopyListing *copies, const FILETIME *now);

#endif
