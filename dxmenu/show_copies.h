// The extension's third command: the copies window of one file or folder.
#ifndef DXMENU_SHOW_COPIES_H
#define DXMENU_SHOW_COPIES_H

// The command's code in the menu table: it sends no request.
#define SHOW_COPIES 0

// Whether a file or folder is there at path.
int IsPathThere(const char *path);

// Starts the copies window beside this DLL for path (a file's or a
// folder's), without waiting for it; 1 when it started.
int StartCopiesWindow(const char *path);

#endif
