// The backup path's Change through the real folder browser, answered as a
// person would: see what it shows selected, then pick a folder or cancel.
#include "support/dialog_fixture.h"
#include "support/modal.h"

#include "dialog/settings_dlg.h"
#include "res/resource.h"
#include "support/wait.h"

#include <commctrl.h>
#include <shlobj.h>

namespace {

struct SeenBrowser {
    bool titled = false;
    std::string selected;
};

BOOL CALLBACK FindTree(HWND child, LPARAM found)
{
    char cls[64] = "";
    GetClassNameA(child, cls, sizeof(cls));
    if (lstrcmpiA(cls, WC_TREEVIEWA) != 0)
        return TRUE;
    *(HWND *)found = child;
    return FALSE;
}

// The text of the folder selected in the browser's tree, "" when none is.
std::string SelectedFolder(HWND browser)
{
    HWND tree = NULL;
    EnumChildWindows(browser, FindTree, (LPARAM)&tree);
    HTREEITEM item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (tree == NULL || item == NULL)
        return "";
    char text[MAX_PATH] = "";
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof(text);
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
    return text;
}

class FolderBrowser : public SettingsDialog {
protected:
    void SetUp() override
    {
        SettingsDialog::SetUp();
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof(temp), temp);
        folder_ = std::string(temp) + "duplix browse target";
        CreateDirectoryA(folder_.c_str(), NULL);
        // Wine's shell, asked for a folder soon after its parent folder
        // changed, may fail to find it once; have it find the folder first.
        ILFree(ILCreateFromPathA(folder_.c_str()));
    }

    // Presses Change; the browser, owned by the dialog, is answered by
    // picking pick (Cancel when empty). Returns what it showed, after
    // waiting a while for the expected selection.
    SeenBrowser Change(const std::string &pick, const std::string &expected = "")
    {
        SeenBrowser seen;
        HWND owner = dlg_;
        ModalAnswer answer(
            [owner](HWND w) { return w != owner && GetWindow(w, GW_OWNER) == owner; },
            [&seen, pick, expected](HWND browser) {
                // Answered once the browser's thread reads messages again,
                // that is once its opening is over.
                SendMessageA(browser, WM_NULL, 0, 0);
                if (!expected.empty())
                    PumpUntil([&] { return SelectedFolder(browser) == expected; });
                seen.titled = FindWindowExA(browser, NULL, "Static", "Select new folder:") != NULL;
                seen.selected = SelectedFolder(browser);
                if (!pick.empty())
                    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, (LPARAM)pick.c_str());
                PressButton(browser, pick.empty() ? IDCANCEL : IDOK);
            });
        EXPECT_EQ(SettingsDlgProc(dlg_, WM_COMMAND, IDC_CHANGE_PATH, 0), TRUE);
        EXPECT_TRUE(answer.Finish()) << "the folder browser came up";
        EXPECT_TRUE(seen.titled) << "it shows the title line";
        return seen;
    }

    std::string PathText() const { return WindowText(Item(IDC_BACKUP_PATH)); }
    void SetPathText(const std::string &text) { SetWindowTextA(Item(IDC_BACKUP_PATH), text.c_str()); }

    std::string folder_;
};

TEST_F(FolderBrowser, OpensOnTheCurrentFolderAndCancelLeavesTheText)
{
    SetPathText(folder_);
    SeenBrowser seen = Change("", "duplix browse target");
    EXPECT_EQ(seen.selected, "duplix browse target");
    EXPECT_EQ(PathText(), folder_);
}

TEST_F(FolderBrowser, TextThatNamesNoFolderIsNotSelectedAndCancelKeepsItExactly)
{
    std::string texts[] = {"", "c:\\no such folder\\duplix browse target",
                           "c:\\" + std::string(300, 'x')};
    for (const std::string &text : texts) {
        SetPathText(text);
        SeenBrowser seen = Change("");
        EXPECT_NE(seen.selected, "duplix browse target") << text;
        EXPECT_EQ(PathText(), text) << "Cancel keeps the text exactly";
    }
}

TEST_F(FolderBrowser, PickedFolderLandsInTheEditBox)
{
    for (const std::string &pick : {folder_, std::string("C:\\")}) {
        SetPathText("c:\\no such folder");
        Change(pick);
        EXPECT_EQ(lstrcmpiA(PathText().c_str(), pick.c_str()), 0) << PathText() << " for " << pick;
    }
}

}  // namespace
