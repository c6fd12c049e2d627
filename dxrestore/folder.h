// The folder window's data: every copy of every file below a folder, listed
// once from each place's tree, and the moments and rows answered from that
// index in memory. Rows come from BuildFolderRows alone, without the window.
#ifndef DXRESTORE_FOLDER_H
#define DXRESTORE_FOLDER_H

#include "dxrestore/copies.h"

#define ROW_SAME 0
#define ROW_CHANGED 1
#define ROW_DELETED 2  // gone from the folder today

// "Now" and the ends of the minutes, hours and days the rings can show.
#define MAX_MOMENTS (1 + 60 + 24 + 31)
// The place of an index entry that is a deletion of the file, not a copy.
#define PLACE_DELETION (-1)

struct FolderCopy {
    int next;   // the file's next entry, -1 at the end
    int place;  // a copy place number, or PLACE_DELETION
    FILETIME saved;  // the copy's write time, or the deletion's moment
    ULONGLONG size;
};

struct FolderFile {
    int name;   // offset of its path below the folder in the name pool
    int first;  // its first entry, -1 for none
    int present;
    FILETIME nowSaved;
    ULONGLONG nowSize;
};

// A folder below (or the folder itself, or above it: name "") deleted whole.
struct FolderGone {
    int name;
    FILETIME at;
};

struct FolderMoment {
    ULONGLONG local;  // the end of the round, local time in 100 ns
    FILETIME at;      // the same instant, UTC
    int ring;         // RING_NEWEST for "Now"
};

struct FolderRow {
    int file;
    FILETIME saved;
    ULONGLONG size;
    int state;
};

struct FolderIndex {
    char folder[MAX_PATH];
    char backup[MAX_PATH];
    FILETIME now;
    char *names;
    int namesUsed, namesRoom;
    FolderFile *files;
    int fileCount, fileRoom;
    FolderCopy *copies;
    int copyCount, copyRoom;
    FolderGone *gone;
    int goneCount, goneRoom;
    int *hash;  // file numbers + 1 by name, 0 for a free slot
    int hashRoom;
    SlotRound rounds[COPY_PLACE_COUNT];
    BYTE hasRound[COPY_PLACE_COUNT];
    int momentCount;
    FolderMoment moments[MAX_MOMENTS];
    int failed;  // out of memory: the index is partial
};

// folder_index.cpp: lists the folder's tree, the tree of its copies in each
// place and the deletion record as they are at now; 0 when out of memory.
int IndexFolder(const char *backup, const char *folder, const FILETIME *now, FolderIndex *index);
void FreeFolderIndex(FolderIndex *index);
const char *GetFileName(const FolderIndex *index, int file);
// Whether there is anything to show for the path as a folder: it is one
// now, or copies of one lie in the newest copies.
int IsFolderPath(const char *backup, const char *path);

// folder_rows.cpp: the moments the copies can show, newest first after
// "Now" (moment 0).
void FindMoments(FolderIndex *index);
// The rows at moment number moment (room for fileCount rows), only those
// changed or deleted since when onlyChanged; their count.
int BuildFolderRows(const FolderIndex *index, int moment, int onlyChanged, FolderRow *rows);
// The latest moment at or before at; 0 ("Now") when at is zero or later.
int FindMomentAt(const FolderIndex *index, const FILETIME *at);
// The row's version as the file window knows it: its places.
void GetRowVersion(const FolderIndex *index, const FolderRow *row, CopyVersion *version);
void FormatMoment(const FolderIndex *index, int moment, char *out, int size);

struct FolderWindow {
    FolderIndex index;
    FolderRow *rows;  // room for every file of the index
    int rowCount;
    int moment;
    FILETIME asked;    // the moment asked on the command line; zero: none
    CopiesWindow file;  // one row's file, for the file window's own steps
    DWORD lastLook;     // tick count of the last look for new copies
    DWORD lookCost;     // how long that look took, in ms
};

// folder_load.cpp: the folder's full path, the index and its rows at the
// moment shown; 0 when out of memory.
int LoadFolder(const char *path, const FILETIME *asked, FolderWindow *w);
// Indexes the folder again, the same moment shown: the end of the same
// round, or "Now"; whether the rows changed.
int ReloadFolder(FolderWindow *w, int onlyChanged);
// Sets w->file to the row's file and version; 0 when its path does not fit.
int TakeRowFile(FolderWindow *w, const FolderRow *row, CopyVersion *version);
void FreeFolder(FolderWindow *w);

// folder_restore.cpp: Restore and Restore To... on the chosen rows (row
// numbers in w->rows); each ends with one box that says what was done.
void RestoreRows(HWND hDlg, FolderWindow *w, const int *chosen, int count);
void RestoreRowsTo(HWND hDlg, FolderWindow *w, const int *chosen, int count);

// folder_dlg.cpp: the window.
INT_PTR CALLBACK FolderDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Shows the window for the folder until it is closed; 0 when it could not.
int RunFolderWindow(const char *path, const FILETIME *asked);

#endif
