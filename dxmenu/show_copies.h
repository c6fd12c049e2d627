// The extension's third command: the copies window of one file.
#ifndef DXMENU_SHOW_COPIES_H
#define DXMENU_SHOW_COPIES_H

// The command's code in the menu table: it sends no request.
#define SHOW_COPIES 0

// Whether path is there and is not a folder.
int IsFilePath(const char *path);

// Starts the copies window beside this DLL for path, without waiting for
// it; 1 when it started.
int StartCopiesWindow(const char *path);

#endif
