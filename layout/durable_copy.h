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
#define FAIL_COPY_HELD 9     // a copy to be replaced is held open: try again
// Only from the calls that say so.
#define COPY_WAITING 10      // the target was held: the copy waits beside it
#define LINK_REFUSED 11      // no link possible here: copy the data instead
// The source opened holds another version than the one asked for (its
// write time or size differs): nothing was written. Last error: file not found.
#define COPY_OTHER_VERSION 12
// The source's content lies only online (a cloud placeholder): reading it
// would download it, so it is left until it is on the disk.
#define FAIL_ONLINE_ONLY 13
// The backup path's drive or share cannot be reached: the disk is away.
#define FAIL_DISK_AWAY 14
// Bigger than the backup disk's file system or its free space can hold.
#define FAIL_TOO_BIG 15
// Not a copy's: the notifier's word for a backup disk that is there but
// is not the one that holds the copies.
#define FAIL_OTHER_DISK 16

// Added to every temporary name, so that nothing takes one for a file.
#define TEMP_SUFFIX ".~dx"
// The name of a copy waiting beside a target that someone holds open.
#define WAITING_SUFFIX ".~dxnew"
// The name of an old copy left aside while Windows 9x replaces it.
#define ASIDE_SUFFIX ".~old"

// How the target is put in place.
#define PLACE_RENAME 0        // renamed over, as a copy of the backup is
#define PLACE_KEEP_TARGET 1   // the target keeps its attributes, and where
                              // the system can, its security and streams
#define PLACE_OR_WAIT 2       // a held target: the copy waits beside it
                              // under WAITING_SUFFIX (COPY_WAITING)
#define PLACE_STAGED 3        // left whole and flushed under the temporary
                              // name beside target, for the caller to place

// The temporary name beside target (LONG_PATH bytes), where a staged copy
// lies; 0 when it does not fit or the system cannot reach it.
int MakeTempName(const char *target, char *temp);

// What a refusal to read a source means for its backup: a FAIL_ code, or
// COPY_RETRY for a passing one (in use, locked).
int ClassifySourceError(DWORD error);

// Copies source to target (making target's folder), with the source's
// write time; one COPY_ or FAIL_ code. The last error is the failed step's.
int CopyThroughTemp(const char *source, const char *target, int place, EndCheck mustEnd);
// The same, with one read also making a copy at second (renamed into place
// once target is placed or waits); *secondMade says whether it was. A
// second copy that fails never fails the first.
int CopyThroughTemps(const char *source, const char *target, const char *second, int place, EndCheck mustEnd,
                     int *secondMade);

// Gives the file existing a further name, target (a hard link: no data is
// written), replacing what target was through a temporary name; COPY_DONE,
// FAIL_COPY_HELD, a failure of the backup folder, or LINK_REFUSED where
// the file system or the system makes no links (then copy the data).
int LinkThroughTemp(const char *existing, const char *target);

// Puts staged (a finished copy beside target) in target's place, keeping
// target's attributes, with target's old content kept at aside: renamed
// there where target and aside share a volume, else copied first. A
// COPY_ or FAIL_ code; staged is gone either way.
int PlaceKeepingAside(const char *staged, const char *target, const char *aside);

// CopyThroughTemp of the version saved at saved with size bytes only:
// checked on the opened source, so a name given a newer version meanwhile
// gives COPY_OTHER_VERSION rather than that version. kept: the source is a
// copy under the backup path, which no writer is looked for on.
int CopyVersionThroughTemp(const char *source, const char *target, int place, const FILETIME *saved,
                           ULONGLONG size, int kept);

#endif
