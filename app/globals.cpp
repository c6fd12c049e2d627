// The program's process-wide state: the module, the dialog and its GDI objects.
#include "app/program.h"
#include "dialog/settings_dlg.h"

HINSTANCE g_hInst = NULL;
HWND g_hDlg = NULL;
HBRUSH g_hFaceBrush = NULL;
HFONT g_hLabelFont = NULL;
HFONT g_hLinkFont = NULL;
