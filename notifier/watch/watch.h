// Watching the listed files and trees: threads that wait for the folders'
// notifications, the names the trees report, looks over whole trees, and
// the record of sources found gone.
#ifndef DUPLIX_NOTIFIER_WATCH_H
#define DUPLIX_NOTIFIER_WATCH_H

#include "notifier/notifier.h"

// folder_watch.cpp: threads that wait for change notifications.
int StartWatching(WatchList *list);
void StopWatching(WatchList *list);

// report_queue.cpp: the names the trees reported, oldest first.
int InitReports(ReportQueue *queue);
void FreeReports(ReportQueue *queue);
int HasReports(ReportQueue *queue);

// tree_look.cpp: looking a tree over, folder by folder, beside its copies.
// Adds a tree to look over (a repeat is taken once).
void AddTreeLook(WatchList *list, const char *path, int entry, const FILETIME *seen);
// Looks over the pending trees; COPY_STOPPED or done.
int LookOverTrees(WatchList *list);
// Copies the files reported meanwhile, which never wait for a look.
int ServeReported(WatchList *list);
// A name noted while the backup disk was away that is no file now: a
// folder is looked over, one gone recorded as deleted.
void ServeWaitedName(WatchList *list, const char *path, const FILETIME *seen);
void FreeTreeLooks(WatchList *list);

// deletions.cpp: sources found gone, into the deletion record under the
// backup path. Only the copying thread records (the record is written by
// one at a time).
// Records source, reported gone at seen below root (its list entry): the
// highest folder gone on its way up, once, and only when it has copies.
void RecordGone(WatchList *list, const char *root, const char *source, const FILETIME *seen);
// Drops what is older than the longest ring from the record.
void TrimDeletionRecord(const WatchList *list);

#endif
