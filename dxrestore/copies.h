// The copies window's data: a file's saved versions found under the backup
// path, and the operations on them. Rows come from FindCopies alone, so
// they can be checked without the window.
#ifndef DXRESTORE_COPIES_H
#define DXRESTORE_COPIES_H

#include "layout/copy_layout.h"

// Room for "Newest copy, Minute 00, ..." naming every place at once.
#define KEPT_IN_SIZE 1400
#define TIME_TEXT_SIZE 128

// One distinct saved content: copies of the same size and time are one.
struct CopyVersion {
    FILETIME saved;  // the file's own write time, which each copy carries
    ULONGLONG size;
    int firstPlace;  // the newest place that holds it, read when it is used
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
    int listed;    // on the backup list, or directly inside a listed folder
    CopyList copies;
};

// copy_list.cpp: the versions of source, newest first; 0 when the backup
// path cannot be read (last error set), with no versions.
int FindCopies(const char *backup, const char *source, CopyList *list);
// The copy to read a version from.
int GetVersionPath(const CopiesWindow *w, int index, char *out, int size);

// copy_texts.cpp: what the window shows.
// Adds text to the end of out, cut to its size, always terminated.
void AppendText(char *out, int size, const char *text);
void FormatFileTime(const FILETIME *time, char *out, int size);
// "2026-12-07 17-30-05": a time for a file or folder name (24 bytes).
void FormatStamp(const SYSTEMTIME *st, char *out);
void FormatByteSize(ULONGLONG bytes, char *out, int size);
void FormatKeptIn(const CopyVersion *version, char *out, int size);
void FormatFileState(const char *path, char *out, int size);
// The name after the last backslash, walked by character.
const char *FindFileName(const char *path);

// copies_load.cpp: the file's full path, the backup path and the versions;
// 0 for a path that is no file path. An unreadable backup path is shown.
int LoadCopies(const char *path, CopiesWindow *w);


// restore.cpp: where the file's present content is kept by a restore made
// now; then the restore itself, which keeps it there first (keep is empty
// for a file that is not there). 0 with the last error when the file was
// left as it was.
int MakeKeepPath(const CopiesWindow *w, char *keep, int size);
// Whether the error means another program holds the file.
int IsInUseError(DWORD error);
int RestoreVersion(const char *copy, const char *source, const char *keep);

// version_actions.cpp: the buttons, on the selected row.
void OpenVersion(HWND hDlg, CopiesWindow *w, int index);
void SaveVersionAs(HWND hDlg, CopiesWindow *w, int index);
void AskAndRestore(HWND hDlg, CopiesWindow *w, int index);
void ShowRestored(HWND hDlg, CopiesWindow *w, int index, const char *keep);

// copies_dlg.cpp: the window.
INT_PTR CALLBACK CopiesDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Shows the window for path until it is closed; 0 for a path that is not
// a file path.
int RunCopiesWindow(const char *path);

#endif
