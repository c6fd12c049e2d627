// Troubles: a file that cannot be backed up is tried again on its own, with
// its own back-off and log lines; and the one table of reasons the log, the
// icon and the status window give for it.
#ifndef DUPLIX_NOTIFIER_TROUBLE_H
#define DUPLIX_NOTIFIER_TROUBLE_H

#include "notifier/notifier.h"

struct CopyJob;

// file_trouble.cpp: each file's failures, back-off and log lines.
// A file in use for a moment (while it is saved) is no news: a passing
// failure counts, for the log and the icon, once it has lasted this long.
#define QUIET_STREAK_MS 2000
// Backs up a listed file, or a listed folder's tree; COPY_STOPPED or done.
int BackUpEntry(WatchList *list, WatchEntry *entry);
// Backs up one file unless its trouble says to wait; listed: it is a list
// entry. COPY_STOPPED or the copy's result.
int TryFileWhenDue(WatchList *list, const char *path, int listed, const WIN32_FIND_DATAA *info,
                   const FILETIME *seen);
// The same for a look's files found in a folder (not listed), side by side;
// COPY_STOPPED or done.
int TryFilesWhenDue(WatchList *list, CopyJob *jobs, int count, const FILETIME *seen);
// A file of a look that is not to be read (a FAIL_ code), as its try would
// have failed.
void NoteTrouble(WatchList *list, const char *path, int reason, const WIN32_FIND_DATAA *info, const FILETIME *seen);
// Tries again the failed files that are due; COPY_STOPPED or done.
int RetryDueFiles(WatchList *list);
// Milliseconds until the next retry is due (INFINITE for none).
DWORD TimeToNextRetry(const WatchList *list);
void FreeTroubles(WatchList *list);
// The log's start line, once the start's look is over (or the notifier
// ends before), then the troubles that look found.
void LogStart(WatchList *list);
// How long a failure lasts before it is news for the log and the icon:
// a permanent one at once, a passing one after QUIET_STREAK_MS.
DWORD GetQuietAge(int reason);

// reasons.cpp: why a file is not backed up, shared by the log, the icon and
// the status window.
struct FailureReason {
    int code;              // a FAIL_ code, COPY_RETRY or COPY_WAITING
    const char *text;      // short: the log's line, the status window's column
    const char *sentence;  // "... cannot back up plan.doc: <sentence>."
    int permanent;         // tried again only once the file has changed
    int disk;              // the backup disk or folder: every file fails alike
    int saved;             // the version is kept all the same: no failure
};
// The row of a reason; an unknown code gets the row of a file in use.
const FailureReason *FindReason(int code);
// Whether a failure stays until the file changes.
int IsPermanentFailure(int reason);
// A full or refusing backup disk: every file fails alike.
int IsDiskFailure(int reason);

#endif
