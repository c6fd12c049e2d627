// One copy of a file through a temporary name beside the target: read
// whole, flushed to the disk, renamed into place written through. The
// notifier's copies, the copies window's restores and saves all go through
// it, so a reader of the target sees the old file or the new, never a mix.
#ifndef DUPLIX_DURABLE_COPY_H
#define DUPLIX_DURABLE_COPY_H

#include "layout/long_path.h"

// Outcome of a copy.
#define COPY_DONE 0     // copied, or nothing to copy
#define COPY_RETRY 1    // in use or changing while read: try again later
#define COPY_STOPPED 2  // told to end meanwhile
// Failures the log names; the first four wait until the file changes.
#define FAIL_MISSING 3
#define FAIL_ACCESS 4        // access denied on the source
#define FAIL_NAME 5          // a name the file system cannot reach
#define FAIL_TOO_LONG 6
#define FAIL_DISK_FULL 7
#define FAIL_NOT_WRITABLE 8  // the backup folder refuses the copy

// Added to every temporary name, so that nothing takes one for a file.
#define TEMP_SUFFIX ".~dx"

// How the target is put in place.
#define PLACE_RENAME 0        // renamed over, as a copy of the backup is
#define PLACE_KEEP_TARGET 1   // the target keeps its attributes, and where
                              // the system can, its security and streams

// Copies source to target (making target's folder), with the source's
// write time; one COPY_ or FAIL_ code. The last error is the failed step's.
int CopyThroughTemp(const char *source, const char *target, int place, EndCheck mustEnd);

// The source opened holds another version than the one asked for (its
// write time or size differs): nothing was written. Last error: file not found.
#define COPY_OTHER_VERSION 9

// CopyThroughTemp of the version saved at saved with size bytes only:
// checked on the opened source, so a name given a newer version meanwhile
// gives COPY_OTHER_VERSION rather than that version.
int CopyVersionThroughTemp(const char *source, const char *target, int place, const FILETIME *saved,
                           ULONGLONG size);

#endif
