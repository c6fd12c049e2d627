// The dialog procedure's frame: the opening, OK and Cancel, F1 and the
// messages it leaves alone.
#include "support/dialog_fixture.h"

#include "app/program.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"
#include "support/wait.h"

#include <commctrl.h>

#include <algorithm>

namespace {

using DialogProcedure = SettingsDialog;

std::string ClassOf(HWND hwnd)
{
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    return cls;
}

TEST_F(DialogProcedure, OpensWithTheTitleAndAllControlsInTabOrder)
{
    char title[64] = "";
    GetWindowTextA(dlg_, title, sizeof(title));
    EXPECT_STREQ(title, "VELT Duplix 98 Settings");
    EXPECT_EQ(g_hDlg, dlg_);
    EXPECT_EQ((DWORD)GetWindowLongA(dlg_, GWL_STYLE) & ~(DWORD)WS_CLIPSIBLINGS,
              (DWORD)(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_3DLOOK |
                      DS_SETFONT | DS_MODALFRAME | DS_SETFOREGROUND | DS_CENTER));

    const int ids[] = {IDOK, IDCANCEL, IDC_HELP, IDC_FILE_LIST, IDC_ADD_FILE, IDC_NEW_ITEM, IDC_PASTE_ITEM,
                       IDC_CHANGE_ITEM, IDC_OPEN_ITEM, IDC_EDIT_ITEM, IDC_REMOVE_ITEM, -1, IDC_BACKUP_PATH,
                       IDC_CHANGE_PATH, IDC_OPEN_PATH, IDC_APP_ICON, IDC_VERSION_LABEL, -1, IDC_MAKER_LABEL,
                       IDC_WEB_LINK};
    const char *classes[] = {"Button", "Button", "Button", "SysListView32", "Button", "Button", "Button",
                             "Button", "Button", "Button", "Button", "Static", "Edit", "Button", "Button",
                             "Static", "Static", "Static", "Static", "Static"};
    size_t n = 0;
    for (HWND child = GetWindow(dlg_, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT), n++) {
        ASSERT_LT(n, 20u) << "more than 20 controls";
        EXPECT_EQ((short)GetDlgCtrlID(child), ids[n]) << "control #" << n + 1;
        EXPECT_EQ(lstrcmpiA(ClassOf(child).c_str(), classes[n]), 0) << "control #" << n + 1 << " " << ClassOf(child);
        EXPECT_TRUE(IsWindowVisible(child)) << "control #" << n + 1;
    }
    EXPECT_EQ(n, 20u);
}

TEST_F(DialogProcedure, ListHasOneColumnWithItsHeader)
{
    char header[64] = "";
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_SUBITEM;
    col.pszText = header;
    col.cchTextMax = sizeof(header);
    ASSERT_TRUE(SendMessageA(List(), LVM_GETCOLUMNA, 0, (LPARAM)&col));
    EXPECT_STREQ(header, "Files included in Duplix");
    EXPECT_EQ(col.iSubItem, 0);
    EXPECT_FALSE(SendMessageA(List(), LVM_GETCOLUMNA, 1, (LPARAM)&col)) << "no second column";
    EXPECT_GT(ColumnWidth(), 0);
}

TEST_F(DialogProcedure, OkHasTheFocusAndTheDefaultStyleAfterOpening)
{
    HWND ok = Item(IDOK);
    EXPECT_EQ(GetFocus(), ok);
    EXPECT_EQ(GetWindowLongA(ok, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongA(Item(IDCANCEL), GWL_STYLE) & 0x0F, BS_PUSHBUTTON);
}

TEST_F(DialogProcedure, OkAndCancelWithANotificationCodeLeaveTheDialogOpen)
{
    for (int id : {IDOK, IDCANCEL}) {
        for (WORD code : {(WORD)BN_DBLCLK, (WORD)BN_SETFOCUS, (WORD)0xFFFF}) {
            EXPECT_EQ(SettingsDlgProc(dlg_, WM_COMMAND, MAKEWPARAM(id, code), 0), FALSE) << id << " " << code;
            EXPECT_FALSE(Ended()) << id << " " << code;
            EXPECT_NE(g_hLabelFont, (HFONT)NULL) << "nothing released";
        }
    }
}

TEST_F(DialogProcedure, OkEndsTheDialogAndAnswersTrue)
{
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0), TRUE);
    EXPECT_TRUE(Ended());
}

TEST_F(DialogProcedure, CancelEndsTheDialogAndAnswersTrue)
{
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0), TRUE);
    EXPECT_TRUE(Ended());
}

TEST_F(DialogProcedure, F1ArrivesAtTheHelpCommand)
{
    HELPINFO info = {};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = IDC_FILE_LIST;
    info.hItemHandle = List();
    commands_.clear();
    EXPECT_EQ(SendMessageA(dlg_, WM_HELP, 0, (LPARAM)&info), FALSE);
    ASSERT_EQ(commands_.size(), 1u);
    EXPECT_EQ(commands_[0], IDC_HELP);
    EXPECT_FALSE(Ended());
}

TEST_F(DialogProcedure, NotificationsOfOtherControlsAndUnknownCommandsAreLeftAlone)
{
    NMHDR hdr = {};
    hdr.hwndFrom = Item(IDC_BACKUP_PATH);
    hdr.idFrom = IDC_BACKUP_PATH;
    hdr.code = (UINT)LVN_KEYDOWN;
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_NOTIFY, IDC_BACKUP_PATH, (LPARAM)&hdr), FALSE);
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_COMMAND, MAKEWPARAM(4242, 0), 0), FALSE);
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_COMMAND, MAKEWPARAM(IDC_MAKER_LABEL, STN_CLICKED), 0), FALSE)
        << "a click on the credit line does nothing";
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_USER + 7, 1, 2), FALSE);
    EXPECT_FALSE(Ended());
    EXPECT_EQ(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0), 0);
}

}  // namespace
