// The backup path's Change through the real folder browser, answered as a
// person would: see what it shows selected, then pick a folder or cancel.
#include "support/dialog_fixture.h"
#include "support/modal.h"
#include "support/wait.h"

#include "dialog/settings_dlg.h"
#include "res/resource.h"

#include <commctrl.h>
#include <shlobj.h>

namespace {

const char kTarget[] = "duplix browse target";

// The text of the folder selected in the browser's tree (control 0x3741 in
// Windows and Wine alike), "" when none is.
std::string SelectedFolder(HWND browser)
{
    HWND tree = GetDlgItem(browser, 0x3741);
    char text[MAX_PATH] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    if (item.hItem != NULL)
        SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&item);
    return text;
}

class FolderBrowser : public SettingsDialog {
protected:
    void SetUp() override
    {
        SettingsDialog::SetUp();
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof(temp), temp);
        folder_ = std::string(temp) + kTarget;
        CreateDirectoryA(folder_.c_str(), NULL);
        // Wine's shell, asked for a folder soon after its parent folder
        // changed, may fail to find it once; have it find the folder first.
        ILFree(ILCreateFromPathA(folder_.c_str()));
    }

    // Presses Change with text in the box; the browser (owned by the dialog)
    // gets pick, or Cancel when pick is empty. Returns what it had selected.
    std::string Change(const std::string &text, const std::string &pick, bool selects)
    {
        std::string selected;
        SetWindowTextA(Item(IDC_BACKUP_PATH), text.c_str());
        ModalAnswer answer([this](HWND w) { return w != dlg_ && GetWindow(w, GW_OWNER) == dlg_; },
                           [&selected, pick, selects](HWND browser) {
                               EXPECT_NE(FindWindowExA(browser, NULL, "Static", "Select new folder:"), (HWND)NULL);
                               // Sent messages are read once its opening is over.
                               SendMessageA(browser, WM_NULL, 0, 0);
                               if (selects)
                                   PumpUntil([&] { return SelectedFolder(browser) == kTarget; });
                               selected = SelectedFolder(browser);
                               if (!pick.empty())
                                   SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, (LPARAM)pick.c_str());
                               PressButton(browser, pick.empty() ? IDCANCEL : IDOK);
                           });
        EXPECT_EQ(SettingsDlgProc(dlg_, WM_COMMAND, IDC_CHANGE_PATH, 0), TRUE);
        EXPECT_TRUE(answer.Finish()) << "the folder browser came up";
        return selected;
    }

    std::string PathText() const { return WindowText(Item(IDC_BACKUP_PATH)); }

    std::string folder_;
};

TEST_F(FolderBrowser, OnlyAFolderIsPreselectedAndCancelKeepsTheTextExactly)
{
    EXPECT_EQ(Change(folder_, "", true), kTarget);
    EXPECT_EQ(PathText(), folder_);
    for (std::string text : {std::string(""), "c:\\no such folder\\" + std::string(kTarget),
                             "c:\\" + std::string(300, 'x')}) {
        EXPECT_NE(Change(text, "", false), kTarget) << text;
        EXPECT_EQ(PathText(), text) << "Cancel keeps the text exactly";
    }
}

TEST_F(FolderBrowser, PickedFolderLandsInTheEditBox)
{
    for (const std::string &pick : {folder_, std::string("C:\\")}) {
        Change("c:\\no such folder", pick, false);
        EXPECT_EQ(lstrcmpiA(PathText().c_str(), pick.c_str()), 0) << PathText() << " for " << pick;
    }
}

}  // namespace
