// The dialog's fonts, the web link's colour, the window icon and the hand cursor.
#include "dialog/appearance.h"

#include "app/program.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"

static HFONT MakeFont(int points, int dpi, BOOL underline, const char *face)
{
    return CreateFontA(-MulDiv(points, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, underline, FALSE,
                       DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

static void CreateDialogFonts(HWND hDlg)
{
    HDC hdc = GetDC(hDlg);
    int dpi = GetDeviceCaps(hdc, LOGPIXELSY);

    g_hLabelFont = MakeFont(7, dpi, FALSE, "Arial");
    g_hLinkFont = MakeFont(8, dpi, TRUE, "MS Sans Serif");
    ReleaseDC(hDlg, hdc);
}

void ApplyAppearance(HWND hDlg)
{
    if (g_hFaceBrush == NULL)
        g_hFaceBrush = GetSysColorBrush(COLOR_BTNFACE);
    if (g_hLabelFont == NULL)
        CreateDialogFonts(hDlg);
    SendDlgItemMessageA(hDlg, IDC_VERSION_LABEL, WM_SETFONT, (WPARAM)g_hLabelFont, 0);
    SendDlgItemMessageA(hDlg, IDC_WEB_LINK, WM_SETFONT, (WPARAM)g_hLinkFont, 0);
    SetClassLongPtrA(hDlg, GCLP_HICON, (LONG_PTR)LoadIconA(g_hInst, MAKEINTRESOURCEA(IDI_APP)));
}

static void DeleteGdiObject(HGDIOBJ *object)
{
    if (*object != NULL) {
        DeleteObject(*object);
        *object = NULL;
    }
}

void ReleaseAppearance(void)
{
    DeleteGdiObject((HGDIOBJ *)&g_hLabelFont);
    DeleteGdiObject((HGDIOBJ *)&g_hLinkFont);
    DeleteGdiObject((HGDIOBJ *)&g_hFaceBrush);
}

INT_PTR OnCtlColorStatic(HWND hDlg, HDC hdc, HWND hCtl)
{
    if (hCtl == NULL || hCtl != GetDlgItem(hDlg, IDC_WEB_LINK))
        return FALSE;
    SetTextColor(hdc, RGB(0, 0, 255));
    SetBkColor(hdc, GetSysColor(COLOR_BTNFACE));
    return (INT_PTR)g_hFaceBrush;
}

INT_PTR OnSetCursor(HWND hDlg, HWND hUnder)
{
    if (hUnder == NULL)
        return FALSE;
    if (hUnder != GetDlgItem(hDlg, IDC_APP_ICON) && hUnder != GetDlgItem(hDlg, IDC_WEB_LINK))
        return FALSE;
    SetCursor(LoadCursorA(g_hInst, MAKEINTRESOURCEA(IDC_LINK_CURSOR)));
    // The control under the pointer puts its own class cursor, the arrow,
    // straight back unless the dialog answers TRUE; the dialog manager takes
    // that answer for this message from the message result alone.
    SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, TRUE);
    return TRUE;
}
