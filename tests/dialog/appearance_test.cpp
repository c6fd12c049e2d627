// The dialog's own looks: fonts, link colour, window icon and hand cursor.
#include "support/dialog_fixture.h"

#include "app/program.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"

#include <stdlib.h>

namespace {

LOGFONTA FontOf(HFONT font)
{
    LOGFONTA lf = {};
    EXPECT_EQ(GetObjectA(font, sizeof(lf), &lf), (int)sizeof(lf));
    return lf;
}

int DialogDpi(HWND dlg)
{
    HDC dc = GetDC(dlg);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(dlg, dc);
    return dpi;
}

using Appearance = SettingsDialog;

TEST_F(Appearance, LabelAndLinkFontsHaveTheirFaceUnderlineAndHeightAtThisDpi)
{
    int dpi = DialogDpi(dlg_);
    ASSERT_EQ((HFONT)SendMessageA(Item(IDC_VERSION_LABEL), WM_GETFONT, 0, 0), g_hLabelFont);
    ASSERT_EQ((HFONT)SendMessageA(Item(IDC_WEB_LINK), WM_GETFONT, 0, 0), g_hLinkFont);

    LOGFONTA label = FontOf(g_hLabelFont);
    EXPECT_STREQ(label.lfFaceName, "Arial");
    EXPECT_EQ(label.lfHeight, -MulDiv(7, dpi, 72));
    EXPECT_FALSE(label.lfUnderline);
    LOGFONTA link = FontOf(g_hLinkFont);
    EXPECT_STREQ(link.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(link.lfHeight, -MulDiv(8, dpi, 72));
    EXPECT_TRUE(link.lfUnderline);

    for (const LOGFONTA &lf : {label, link}) {
        EXPECT_EQ(lf.lfWidth, 0);
        EXPECT_EQ(lf.lfEscapement, 0);
        EXPECT_EQ(lf.lfOrientation, 0);
        EXPECT_EQ(lf.lfWeight, FW_DONTCARE);
        EXPECT_FALSE(lf.lfItalic);
        EXPECT_FALSE(lf.lfStrikeOut);
        EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
        EXPECT_EQ(lf.lfOutPrecision, OUT_TT_PRECIS);
        EXPECT_EQ(lf.lfClipPrecision, CLIP_DEFAULT_PRECIS);
        EXPECT_EQ(lf.lfQuality, DEFAULT_QUALITY);
        EXPECT_EQ(lf.lfPitchAndFamily, DEFAULT_PITCH | FF_DONTCARE);
    }

    // Run by FontHeightsFollowTheScreenResolution in a process of its own.
    const char *expected = getenv("DUPLIX_EXPECT_DPI");
    if (expected != NULL) {
        ASSERT_EQ(dpi, atoi(expected));
        if (dpi == 96) {
            EXPECT_EQ(label.lfHeight, -9);
            EXPECT_EQ(link.lfHeight, -11);
        }
        if (dpi == 120) {
            EXPECT_EQ(label.lfHeight, -12);
            EXPECT_EQ(link.lfHeight, -13);
        }
    }
}

// Sets LogPixels, which Wine reads at each program start, runs the font test
// in a new process of this program, and puts the old value back.
DWORD RunFontTestAtDpi(DWORD dpi)
{
    HKEY key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    DWORD old = 0, size = sizeof(old), type = 0;
    bool hadOld = RegQueryValueExA(key, "LogPixels", NULL, &type, (BYTE *)&old, &size) == ERROR_SUCCESS;
    RegSetValueExA(key, "LogPixels", 0, REG_DWORD, (const BYTE *)&dpi, sizeof(dpi));

    char self[MAX_PATH] = "";
    GetModuleFileNameA(NULL, self, sizeof(self));
    char cmd[MAX_PATH + 200];
    wsprintfA(cmd, "\"%s\" --gtest_filter=Appearance.LabelAndLinkFontsHaveTheirFaceUnderlineAndHeightAtThisDpi",
              self);
    char value[16];
    wsprintfA(value, "%lu", dpi);
    SetEnvironmentVariableA("DUPLIX_EXPECT_DPI", value);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    DWORD code = 99;
    if (CreateProcessA(NULL, cmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    SetEnvironmentVariableA("DUPLIX_EXPECT_DPI", NULL);

    if (hadOld)
        RegSetValueExA(key, "LogPixels", 0, type, (const BYTE *)&old, sizeof(old));
    else
        RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
    return code;
}

TEST(AppearanceDpi, FontHeightsFollowTheScreenResolution)
{
    EXPECT_EQ(RunFontTestAtDpi(120), 0u) << "fonts at 120 pixels per inch";
    EXPECT_EQ(RunFontTestAtDpi(96), 0u) << "fonts at 96 pixels per inch";
}

TEST_F(Appearance, FontsAndBrushAreMadeOnceAndReleasedWhenTheDialogCloses)
{
    HFONT label = g_hLabelFont, link = g_hLinkFont;
    ASSERT_NE(label, (HFONT)NULL);
    ASSERT_NE(link, (HFONT)NULL);
    EXPECT_EQ(g_hFaceBrush, GetSysColorBrush(COLOR_BTNFACE));

    // A second opening while the objects exist keeps them.
    HWND second = CreateDialogParamA(g_hInst, MAKEINTRESOURCEA(IDD_SETTINGS), NULL, SettingsDlgProc, 0);
    ASSERT_NE(second, (HWND)NULL);
    EXPECT_EQ(g_hLabelFont, label);
    EXPECT_EQ(g_hLinkFont, link);
    EXPECT_EQ((HFONT)SendDlgItemMessageA(second, IDC_WEB_LINK, WM_GETFONT, 0, 0), link);
    DestroyWindow(second);
    g_hDlg = dlg_;

    Command(IDCANCEL);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(g_hLabelFont, (HFONT)NULL);
    EXPECT_EQ(g_hLinkFont, (HFONT)NULL);
    EXPECT_EQ(g_hFaceBrush, (HBRUSH)NULL);
    EXPECT_EQ(GetObjectType(label), 0u) << "the label font is deleted";
    EXPECT_EQ(GetObjectType(link), 0u) << "the link font is deleted";
}

TEST_F(Appearance, WindowShowsTheProgramIcon)
{
    HICON icon = LoadIconA(g_hInst, MAKEINTRESOURCEA(IDI_APP));
    EXPECT_EQ((HICON)GetClassLongPtrA(dlg_, GCLP_HICON), icon);
}

TEST_F(Appearance, WebLinkIsBlueOnTheFaceColourAndOtherStaticsKeepTheSystemColours)
{
    HDC dc = CreateCompatibleDC(NULL);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    LRESULT brush = SendMessageA(dlg_, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)Item(IDC_WEB_LINK));
    EXPECT_EQ((HBRUSH)brush, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));

    for (int id : {IDC_MAKER_LABEL, IDC_VERSION_LABEL}) {
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkColor(dc, RGB(4, 5, 6));
        EXPECT_EQ(SettingsDlgProc(dlg_, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)Item(id)), FALSE) << id;
        EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3)) << id;
        EXPECT_EQ(GetBkColor(dc), RGB(4, 5, 6)) << id;
    }
    DeleteDC(dc);
}

// The system sends WM_SETCURSOR to the window under the pointer, which hands
// it to its parent first.
HCURSOR CursorOver(HWND control)
{
    SendMessageA(control, WM_SETCURSOR, (WPARAM)control, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

TEST_F(Appearance, PointerIsTheHandOverTheIconAndTheLinkOnly)
{
    HCURSOR hand = LoadCursorA(g_hInst, MAKEINTRESOURCEA(IDC_LINK_CURSOR));
    HCURSOR arrow = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);

    EXPECT_EQ(CursorOver(Item(IDC_APP_ICON)), hand);
    EXPECT_EQ(CursorOver(Item(IDC_MAKER_LABEL)), arrow) << "the credit line, after the icon";
    EXPECT_EQ(CursorOver(Item(IDC_WEB_LINK)), hand);
    EXPECT_EQ(CursorOver(Item(IDC_VERSION_LABEL)), arrow) << "the edition label, after the link";
    EXPECT_EQ(CursorOver(Item(IDC_WEB_LINK)), hand);
    EXPECT_NE(CursorOver(Item(IDC_BACKUP_PATH)), hand) << "the path box keeps its text cursor";
    EXPECT_NE(CursorOver(List()), hand);
}

}  // namespace
