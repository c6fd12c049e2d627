// What the copying room's own files share: the rings' slots, rounds and
// ages (time is a parameter), how versions are compared and put into
// slots, and the version a save replaces.
#ifndef DUPLIX_NOTIFIER_COPY_INTERNAL_H
#define DUPLIX_NOTIFIER_COPY_INTERNAL_H

#include "notifier/notifier.h"

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

// slot_remover.cpp: hands a slot renamed aside to the thread that removes
// such slots; 0 when it cannot take it (the caller removes it itself).
int HandSlotAside(const char *aside);

// backup_file.cpp: whether a copy is the version made (the same size and
// time).
int IsSameVersion(const WIN32_FIND_DATAA *made, const WIN32_FIND_DATAA *copy);
// Puts the version in from at target, a slot's copy: a further name of
// linkFrom (another slot's copy of it; empty for none) where links are
// made, a copy of the data elsewhere.
int PutVersionInSlot(const char *from, const char *linkFrom, const char *target);
// Whether two write times are the same within the coarsest granularity of
// the file systems a copy may lie on (FAT keeps 2 s).
int IsSameTime(const FILETIME *a, const FILETIME *b);

// keep_version.cpp: the version a save replaces stays in the rings.
// Before the newest copy (holding kept) is replaced, puts it into the slot
// of the previous round of each ring where it was written before the
// current round; COPY_DONE, or the failure that must keep it from being
// replaced.
int KeepReplacedVersion(const char *backup, const char *source, const char *newest, const WIN32_FIND_DATAA *kept);

#endif
