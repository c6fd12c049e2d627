// What the show room's own files share: the snapshot that the copying
// thread publishes and the icon's thread reads, the words built from it,
// the icon's menu and the status window. show.h has what others call.
#ifndef DUPLIX_NOTIFIER_STATUS_H
#define DUPLIX_NOTIFIER_STATUS_H

#include "notifier/notifier.h"

// The files not backed up that the status window lists; more are counted.
#define STATUS_ROWS 40

// Sent by the copying thread to the icon's window when the snapshot changed.
#define WM_STATUS_CHANGED (WM_APP + 2)
// Posted by the notifier's end: the icon goes and its thread ends.
#define WM_END_ICON (WM_APP + 3)

struct StatusRow {
    char path[MAX_PATH];  // as the log shows it; the start cut when too long
    int reason;           // a FAIL_ code or COPY_RETRY
    DWORD since;          // tick count of the streak's first failure
};

struct NotifierStatus {
    DWORD serial;  // 0 until the first publish; then changes with the content
    char backup[MAX_PATH];
    int entryCount, fileCount;
    int copying;       // files, listed files and trees waiting to be copied
    int troubleCount;  // files not backed up, by the log's rules
    int diskTrouble;   // FAIL_NOT_WRITABLE or FAIL_DISK_FULL among them, or 0
    int diskState;     // a DISK_ state
    FILETIME diskSince;  // when it began
    int waiting;       // files waiting for the backup disk
    int caughtUp;      // files the last catch-up copied
    int rowCount;
    StatusRow rows[STATUS_ROWS];
    char lastCopy[MAX_PATH];  // "" while no copy was made
    FILETIME lastCopyAt;
    // Troubles begun since the start, and the latest of them.
    LONG startedCount;
    char startedPath[MAX_PATH];
    int startedReason;
};

// status.cpp, for the icon's thread. A snapshot is too big for a static
// (the tool chain would store its zeros in the program): each comes from
// the heap. 0 when there is no memory for them.
int OpenStatusBoard(void);
void CloseStatusBoard(void);
NotifierStatus *AllocStatus(void);
void FreeStatus(NotifierStatus *status);
// The window told of each change (NULL: none).
void SetStatusWindow(HWND window);
// Copies the snapshot; the next change is told again.
void ReadStatus(NotifierStatus *out);
// The backup path alone (MAX_PATH bytes; "" before the first publish).
void ReadStatusBackup(char *backup);

// status_words.cpp: the texts built from a snapshot, cut to size bytes.
void FormatTip(const NotifierStatus *status, char *out, int size);
int HasTrouble(const NotifierStatus *status);
// Whether the backup disk is away or another disk, and the words for it.
int IsDiskGone(const NotifierStatus *status);
const char *GetDiskSentence(const NotifierStatus *status);
// "VELT Duplix 98 cannot back up plan.doc: the backup disk is full." for
// one trouble begun, or a count for several.
void FormatBalloon(const NotifierStatus *status, LONG begun, char *out, int size);
// The local time of a tick count in the log's form, "2026-12-07 14:03:12".
void FormatTickTime(DWORD tick, char *out, int size);
void FormatFileTimeText(const FILETIME *when, char *out, int size);

// tray_menu.cpp: the icon's menu and the commands it shares with the
// status window.
void ShowTrayMenu(HWND window);
void RunTrayCommand(HWND window, int command);

// status_dlg.cpp: the one status window.
void OpenStatusWindow(void);
void CloseStatusWindow(void);
// Whether the message was the status window's (keyboard navigation).
int IsStatusMessage(MSG *msg);

#endif
