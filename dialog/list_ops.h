// Operations on the backup list control shared by the dialog's handlers.
#ifndef DUPLIX_LIST_OPS_H
#define DUPLIX_LIST_OPS_H

#include <windows.h>

// The backup list control of the settings dialog.
HWND GetFileList(void);

// Sizes the list's only column to its content and header.
void FitListColumn(void);

#endif
