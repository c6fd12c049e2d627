// Where every copy of a source lies under the backup path: the newest copy
// and one per ring slot. The notifier writes by it and the copies window
// reads by it, so the two cannot disagree.
#ifndef DUPLIX_COPY_LAYOUT_H
#define DUPLIX_COPY_LAYOUT_H

#include "layout/durable_copy.h"
#include "layout/long_path.h"

// The rings of older copies.
#define RING_MINUTE 0
#define RING_HOUR 1
#define RING_DAY 2
#define RING_COUNT 3

// The newest copy, outside the rings.
#define RING_NEWEST (-1)
// A version waiting beside the newest copy while someone holds that open;
// it takes the newest copy's place once they let go.
#define RING_WAITING (-2)

// Every place a source's copy may lie: the newest copy, the waiting one,
// then minutes 0-59, hours 0-23 and days 1-31.
#define COPY_PLACE_COUNT (2 + 60 + 24 + 31)

// Where the copies window keeps a file's content before putting an older
// version in its place; the notifier never prunes or writes there.
#define BEFORE_RESTORE_FOLDER "Before restore"

// The notifier's log, in the backup folder (in the temporary folder while
// that cannot be written); one generation kept with ".old" added.
#define LOG_NAME "Duplix.log"
// The backup folder's mark: which disk holds these copies.
#define DISK_MARK_NAME "Duplix.id"

// The backup path as the notifier uses it: full, without a trailing
// backslash, the default when empty or unusable (MAX_PATH bytes).
void ReadBackupFolder(char *backup);

// The first and last slot number of a ring.
void GetSlotRange(int ring, int *first, int *last);

// The ring and slot of place number place (0 .. COPY_PLACE_COUNT - 1).
int GetCopyPlace(int place, int *ring, int *slot);

// The folder of a ring's slot; 0 when it does not fit.
int GetRingSlotFolder(const char *backup, int ring, int slot, char *out, int size);

// The path of a full source path's copy in a ring's slot, its newest copy
// for RING_NEWEST, the waiting one for RING_WAITING; 0 when it does not fit.
int GetCopyPath(const char *backup, int ring, int slot, const char *source, char *out, int size);

// slot_round.cpp: a slot's round, recorded by the notifier in the slot
// itself, so that it is never judged by the folder's time, which the backup
// disk or server sets by its own clock: the local start of its minute, hour
// or day, and the moment it was taken (UTC), in 100 ns, as two hexadecimal
// numbers of 16 digits.
#define ROUND_FILE "round.dxr"
#define ROUND_TEXT_SIZE 40
struct SlotRound {
    ULONGLONG start;
    ULONGLONG taken;
};
// 0 when the slot has no record, or one it did not write.
int ReadSlotRound(const char *slot, SlotRound *round);

// backup_paths.cpp: where a source's copies go.
// The full path of a list entry (MAX_PATH bytes), ".." resolved, short
// names made long, without a trailing backslash (a drive's root keeps its
// own); 0 for text that is not a full path.
int NormalizeSourcePath(const char *text, char *full);
// The copy's path for a full source path under root (the backup path or a
// ring's slot folder); 0 when it does not fit in size.
int MapToBackup(const char *root, const char *source, char *out, int size);
int JoinPath(char *out, int size, const char *folder, const char *name);
// path with suffix added (a temporary or waiting name beside it) into out;
// 0 when it does not fit in size.
int AddSuffix(char *out, int size, const char *path, const char *suffix);
// Whether path is folder or lies below it, in any letter case.
int IsInsideFolder(const char *path, const char *folder);
// Whether path lies below folder, not being folder itself.
int IsBelowFolder(const char *path, const char *folder);
// Backslashes found by character, never by byte (multi-byte code pages).
int EndsWithSlash(const char *path);
// Whether path lies among the copies under the backup path (a drive letter's
// folder, UNC, a ring), where watching would copy copies.
int IsInsideCopies(const char *path, const char *backup);

// listed_files.cpp: which files a list entry backs up.
// Files that programs make for themselves and delete again (a name as the
// notifier carries it: in the code page, or marked and in UTF-8).
int IsClutterName(const char *name);
// A folder never followed by its name: the recycle bin, "System Volume
// Information".
int IsSkippedFolderName(const char *name);
// Whether a path below root passes through a folder never followed.
int IsInSkippedFolder(const char *path, const char *root);
// A junction or symbolic link: it leads out of the tree.
int IsLinkElsewhere(const WIN32_FIND_DATAA *data);
// Attributes of a file whose data lies only online (a cloud placeholder):
// reading it would download it.
#define ATTRIBUTE_RECALL_ON_OPEN 0x00040000
#define ATTRIBUTE_RECALL_ON_DATA 0x00400000
int IsOnlineOnly(const WIN32_FIND_DATAA *data);
// Whether path lies in the backup path's own tree: all of it, or for a
// drive's root, the product's folders and log there.
int IsInBackupTree(const char *path, const char *backup);
// Whether the file at path is backed up by the list entry (full, without a
// trailing backslash): the listed file itself, or a file of a listed
// folder's tree that is neither clutter, under a skipped folder, nor in the
// backup path's tree. By name alone: a link or a folder is not told apart.
int IsListedBy(const char *path, const char *entry, const char *backup);

#endif
