// Operations on the backup list control shared by the dialog's handlers.
#ifndef DUPLIX_LIST_OPS_H
#define DUPLIX_LIST_OPS_H

#include <windows.h>

// The entry that New adds, to be overwritten in the label edit that follows.
#define PLACEHOLDER_TEXT "New Item. Enter a file path here."

// The backup list control of the settings dialog.
HWND GetFileList(void);

// Number of entries in the list.
int GetItemCount(void);

// Sizes the list's only column to its content and header.
void FitListColumn(void);

// Index of the selected entry, or -1.
int GetSelectedItem(void);

// Selects and focuses an entry; the list deselects the previous one.
void SelectItem(int index);

// Reads an entry's text into a buffer of 260 bytes (at most 259 characters).
void ReadItemText(int index, char *text);

// Sends the dialog one of its own commands and returns when it has run.
void RunCommand(int id);

// Index of the first entry whose whole text equals path, case ignored; -1.
int FindItem(const char *path);

// Adds the path unless an entry equal to it (case ignored) exists; returns
// the index of the entry, added or found.
int FindOrAddItem(const char *path);

// Adds the path unless an entry equal to it (case ignored) exists; either way
// selects that entry, focuses the list and fits the column.
void AddOrSelectItem(const char *path);

// AddOrSelectItem, then the in-place edit of the entry.
void AddAndEditItem(const char *path);

#endif
