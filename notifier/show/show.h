// What the notifier shows: the icon in the notification area, its menu and
// the status window, on a thread of their own, fed a snapshot that the
// copying thread publishes. status.h holds the room's own declarations.
#ifndef DUPLIX_NOTIFIER_SHOW_H
#define DUPLIX_NOTIFIER_SHOW_H

#include "notifier/notifier.h"

// tray_icon.cpp: the icon's thread, started once the turn is ours.
void StartTrayIcon(void);
void StopTrayIcon(void);

// status.cpp, the copying thread's side. Until the icon's thread opens the
// board (OpenStatusBoard) they do nothing.
// Publishes what the list shows, busy when something is about to be copied;
// at most a few times a second, the rest owed.
void PublishStatus(const WatchList *list, int busy);
// Milliseconds until a publish is owed (INFINITE for none).
DWORD TimeToNextStatus(const WatchList *list);
// A newest copy of source has just been made (on any copying thread).
void NoteCopyMade(const char *source);

// status_words.cpp: copies path into out (size bytes), keeping its end (the
// name) when it must be cut.
void CopyPathTail(const char *path, char *out, int size);

#endif
