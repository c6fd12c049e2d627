// The record of deleted sources under the backup path: when each file, or
// each folder deleted whole, was deleted. It travels with the copies. A
// record is appended whole with its length and a checksum, so a write cut
// short by a power cut costs at most that record, never the ones around it.
#ifndef DUPLIX_DELETION_LOG_H
#define DUPLIX_DELETION_LOG_H

#include "layout/long_path.h"

#define DELETION_FILE "deleted.dxr"
// Records older than the longest ring are dropped once the record grows
// past this size, by a rewrite through a temporary name.
#define DELETION_TRIM_SIZE (256 * 1024)
#define DELETION_KEEP_SECONDS (31 * 24 * 3600ULL)

// Records that source (a file, or a folder with all below it) was deleted
// at the moment at (UTC); 0 when it could not be written.
int AppendDeletion(const char *backup, const char *source, const FILETIME *at);

// Called for each record of path itself, a path below it or a folder above
// it, oldest first, until found returns 0; 0 when there is no record file.
typedef int (*DeletionFound)(const char *source, const FILETIME *at, void *context);
int ForEachDeletion(const char *backup, const char *path, DeletionFound found, void *context);

// The latest deletion of path itself or a folder above it into at; 0 when
// there is none.
int FindLastDeletion(const char *backup, const char *path, FILETIME *at);

// Rewrites the record without what is older than DELETION_KEEP_SECONDS
// before now; 0 when it could not.
int TrimDeletions(const char *backup, const FILETIME *now);

#endif
