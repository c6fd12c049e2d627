// The copies window's data: a file's saved versions found under the backup
// path, and the operations on them. Rows come from FindCopies alone, so
// they can be checked without the window.
#ifndef DXRESTORE_COPIES_H
#define DXRESTORE_COPIES_H

#include "app/program.h"
#include "layout/copy_layout.h"

// Room for "Newest copy, Minute 00, ..." naming every place at once.
#define KEPT_IN_SIZE 1400
#define TIME_TEXT_SIZE 128
// How often an open window looks for new copies.
#define RELOAD_TIMER 1
#define RELOAD_MS 2000

// One distinct saved content: copies of the same size and time are one.
struct CopyVersion {
    FILETIME saved;  // the file's own write time, which each copy carries
    ULONGLONG size;
    BYTE kept[COPY_PLACE_COUNT];
};

struct CopyList {
    int count;
    CopyVersion versions[COPY_PLACE_COUNT];
};

struct CopiesWindow {
    char source[MAX_PATH];  // full path of the file
    char backup[MAX_PATH];
    int readable;  // the backup path could be looked into
    int listed;    // backed up by a list entry, by the notifier's rule
    CopyList copies;
    FILETIME asked;  // the version of this moment is chosen first; zero: the newest
};

// copy_list.cpp: the versions of source, newest first; 0 when the backup
// path cannot be read (last error set), with no versions.
int FindCopies(const char *backup, const char *source, CopyList *list);
// Whether two lists show the same versions in the same places.
int IsSameList(const CopyList *a, const CopyList *b);
// The row of the version of that time and size; -1 when it is not listed.
int FindVersionRow(const CopyList *list, const CopyVersion *version);
// Whether one of the version's places still holds it, by name.
int IsVersionKept(const CopiesWindow *w, const CopyVersion *version);
// Copies the version to target from the first of its places (the newest
// copy first) whose opened copy is still exactly it; one COPY_ or FAIL_
// code, COPY_OTHER_VERSION when no place holds it any more.
int CopyVersionTo(const CopiesWindow *w, const CopyVersion *version, const char *target, int place);

// copy_texts.cpp: what the window shows.
// "2026-12-07 17-30-05": a time for a file or folder name (24 bytes).
void FormatStamp(const SYSTEMTIME *st, char *out);
void FormatByteSize(ULONGLONG bytes, char *out, int size);
void FormatKeptIn(const CopyVersion *version, char *out, int size);
// "Now: missing", or when it was deleted by the record under backup.
void FormatFileState(const char *backup, const char *path, char *out, int size);

// copies_load.cpp: the file's full path, the backup path and the versions;
// 0 for a path that is no file path. An unreadable backup path is shown.
int LoadCopies(const char *path, CopiesWindow *w);


// restore.cpp: where present contents are kept by a restore made now (a
// free "Before restore" folder; the file's path in it); then the restore
// itself, which keeps the file's content there first.
int MakeKeepFolder(const char *backup, char *folder, int size);
int MakeKeepPath(const CopiesWindow *w, char *keep, int size);
// Decided after the user's yes: asked (the place the question named) while
// it is free, another when it is taken, empty when there is no file; 0 when
// the content has no place.
int ChooseKeepPath(const CopiesWindow *w, const char *asked, char *keep, int size);
// Whether the error means another program holds the file.
int IsInUseError(DWORD error);
// COPY_DONE, COPY_OTHER_VERSION, or a failure with the last error saying
// why; a file gone meanwhile empties keep, with nothing to keep.
int RestoreVersion(const CopiesWindow *w, const CopyVersion *version, char *keep);
// What a restore cut short left beside the file: the old file renamed aside
// with none in place goes back, a temporary copy goes.
void RepairCutRestore(const char *source);

// same_file.cpp: whether the path names the file itself, however spelt.
int IsSameFile(const char *path, const char *source);

// version_actions.cpp: the buttons, on the version the selected row showed
// when pressed (the list may be reloaded while a question is up).
void OpenVersion(HWND hDlg, CopiesWindow *w, const CopyVersion *version);
void SaveVersionAs(HWND hDlg, CopiesWindow *w, const CopyVersion *version);
void ShowFailure(const char *what, const char *name);
// Says so and reloads the list.
void ShowNoLongerKept(HWND hDlg, CopiesWindow *w);

// restore_steps.cpp: Restore as the user sees it. asked is the place the
// question named for the present content ("" for none asked).
void AskAndRestore(HWND hDlg, CopiesWindow *w, const CopyVersion *version);
void RestoreAndReport(HWND hDlg, CopiesWindow *w, const CopyVersion *version, const char *asked);

// copies_dlg.cpp: the window.
INT_PTR CALLBACK CopiesDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Looks for the versions again and shows them when they changed, the
// chosen version still chosen; the file's state too.
void ReloadCopies(HWND hDlg, CopiesWindow *w);
// Shows the window for path until it is closed, the version of the moment
// asked chosen; 0 for a path that is not a file path.
int RunCopiesWindow(const char *path, const FILETIME *asked);

#endif
