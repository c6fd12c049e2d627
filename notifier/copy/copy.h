// Copying: a file's newest copy and its copies in the rings' slots, files
// copied side by side, the listings of copies a look compares with, and the
// pruning of slots past their span.
#ifndef DUPLIX_NOTIFIER_COPY_H
#define DUPLIX_NOTIFIER_COPY_H

#include "notifier/notifier.h"

// copy_workers.cpp: files backed up side by side, so that the flushes of
// their copies overlap.
#define COPY_WORKERS 4
struct CopyJob {
    char path[LONG_PATH];
    WIN32_FIND_DATAA info;  // the source as it was found
    FILETIME seen;          // when its change was reported
    int result;             // BackUpFile's, or COPY_NOT_TRIED
};
// A job the round never began: it stopped when a job's check said so.
#define COPY_NOT_TRIED 17
// Asked, on the thread that did it, after each job: 0 stops the round.
typedef int (*JobCheck)(const CopyJob *done);
// Backs up every job's file, on up to COPY_WORKERS threads, until check
// (may be NULL) stops them; returns when all are done or left.
void RunCopyJobs(const char *backup, CopyJob *jobs, int count, JobCheck check);
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

// rings.cpp: removes the slots past their span; 0 when told to end
// meanwhile. Their names go on a thread of their own (slot_remover.cpp),
// which ends with StopSlotRemover.
int PruneRings(const char *backup, const FILETIME *now);
void StopSlotRemover(void);

// backup_file.cpp: a file's newest copy and ring copies. seen is when the
// change was reported: a write close to it may hide behind a coarse time.
// info is the source as found (NULL: looked up here). It may run on
// several threads at once, for different sources. COPY_WAITING: the
// version is saved beside a newest copy someone holds open, to take its
// place later.
int BackUpFile(const char *backup, const char *source, const WIN32_FIND_DATAA *info, const FILETIME *seen);
// Whether a copy is the source as it is: the same size and time, and the
// source written long enough before seen that no save can hide behind them.
int IsCurrentCopy(const WIN32_FIND_DATAA *source, const WIN32_FIND_DATAA *copy, const FILETIME *seen);

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

#endif
