// What the dialog loads when it opens and stores when it closes.
#ifndef DUPLIX_PERSISTENCE_H
#define DUPLIX_PERSISTENCE_H

#include <windows.h>

// One coordinate of the default placement: three quarters of the free space,
// the quarter taken first and truncated toward zero.
int DefaultPlacement(int workStart, int workSize, int windowSize);

// Moves the dialog to its stored position, or the default for a missing
// coordinate, keeping its size.
void PlaceWindow(HWND hDlg);

// Fills the path box with the stored backup path or the default.
void LoadBackupPath(HWND hDlg);

// Adds the stored entries to the list, up to the first that cannot be read.
void LoadBackupList(void);

// On OK: stores the settings, stops the notifier, starts a new one when the
// list has entries.
void StoreSettingsAndRestartNotifier(void);

// On OK and Cancel: stores where the dialog is.
void StoreWindowPosition(HWND hDlg);

#endif
