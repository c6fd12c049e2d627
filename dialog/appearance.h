// The dialog's own looks on top of its template: fonts, link colour, icon, cursor.
#ifndef DUPLIX_APPEARANCE_H
#define DUPLIX_APPEARANCE_H

#include <windows.h>

// Makes the brush and fonts if they are missing, sets them and the icon.
void ApplyAppearance(HWND hDlg);

// Deletes the fonts and the brush and clears their globals.
void ReleaseAppearance(void);

// WM_CTLCOLORSTATIC: the face brush for the web link, 0 for other statics.
INT_PTR OnCtlColorStatic(HWND hDlg, HDC hdc, HWND hCtl);

// WM_SETCURSOR: the hand over the icon and the web link.
INT_PTR OnSetCursor(HWND hDlg, HWND hUnder);

#endif
