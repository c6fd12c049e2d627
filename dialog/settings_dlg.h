// The settings dialog: its procedure and the state it keeps while it is open.
#ifndef DUPLIX_SETTINGS_DLG_H
#define DUPLIX_SETTINGS_DLG_H

#include <windows.h>

// The settings dialog's window, set when it opens.
extern HWND g_hDlg;

// Made when the dialog opens, released when it closes.
extern HBRUSH g_hFaceBrush;
extern HFONT g_hLabelFont;
extern HFONT g_hLinkFont;

INT_PTR CALLBACK SettingsDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
