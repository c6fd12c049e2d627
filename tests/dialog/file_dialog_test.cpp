// Add File and Change through the real file-open dialog, answered as a person
// would: a file name typed into it and Open pressed, or Cancel.
#include "list_fixture.h"

#include <commdlg.h>

namespace {

const char kTitle[] = "VELT Duplix 98 - Please select a file";

struct SeenDialog {
    std::string title, fileName, folder;
};

// Reads what the open dialog shows, then types name and presses Open, or
// presses Cancel when name is empty.
std::function<void(HWND)> Answer(SeenDialog *seen, const std::string &name)
{
    return [seen, name](HWND dlg) {
        char text[MAX_PATH * 2] = "";
        seen->title = WindowText(dlg);
        SendMessageA(dlg, CDM_GETSPEC, sizeof(text), (LPARAM)text);
        seen->fileName = text;
        text[0] = '\0';
        SendMessageA(dlg, CDM_GETFOLDERPATH, sizeof(text), (LPARAM)text);
        seen->folder = text;
        if (name.empty()) {
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDCANCEL));
            return;
        }
        SendMessageA(FileNameBox(dlg), WM_SETTEXT, 0, (LPARAM)name.c_str());
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDOK));
    };
}

bool SameText(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

class FileDialog : public ListTest {
protected:
    void SetUp() override
    {
        ListTest::SetUp();
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof(temp), temp);
        folder_ = std::string(temp) + "duplix-file-dialog";
        CreateDirectoryA(folder_.c_str(), NULL);
        a_ = MakeFile("alpha.txt");
        b_ = MakeFile("beta.txt");
    }
    std::string MakeFile(const char *name)
    {
        std::string path = folder_ + "\\" + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        CloseHandle(h);
        return path;
    }
    std::string folder_, a_, b_;
};

TEST_F(FileDialog, AddFileOpensTheTitledDialogEmptyAndAddsThePickedFile)
{
    SeenDialog seen;
    ModalAnswer answer(kTitle, NULL, Answer(&seen, a_));
    Command(IDC_ADD_FILE);
    ASSERT_TRUE(answer.Finish()) << "the file-open dialog came up";
    EXPECT_EQ(seen.title, kTitle);
    EXPECT_EQ(seen.fileName, "") << "it starts with an empty file name";
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_TRUE(SameText(Entries()[0], a_)) << Entries()[0];
    EXPECT_EQ(Selected(), 0);
    EXPECT_NE(EditBox(), (HWND)NULL) << "its label edit is open";
}

TEST_F(FileDialog, AddFileCancelledAddsNothing)
{
    SeenDialog seen;
    ModalAnswer answer(kTitle, NULL, Answer(&seen, ""));
    commands_.clear();
    Command(IDC_ADD_FILE);
    ASSERT_TRUE(answer.Finish());
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(commands_, std::vector<int>{IDC_ADD_FILE});
}

TEST_F(FileDialog, ChangeStartsFromTheEntryAndReplacesItWithThePickedFile)
{
    Seed({a_, "z:\\zz.txt"});
    SelectItem(0);
    SeenDialog seen;
    ModalAnswer answer(kTitle, NULL, Answer(&seen, b_));
    commands_.clear();
    Command(IDC_CHANGE_ITEM);
    ASSERT_TRUE(answer.Finish());
    EXPECT_EQ(seen.fileName, "alpha.txt") << "the entry's file, in its folder";
    EXPECT_TRUE(SameText(seen.folder, folder_)) << seen.folder;
    ASSERT_EQ(Entries().size(), 2u);
    EXPECT_TRUE(SameText(Entries()[0], b_)) << Entries()[0];
    EXPECT_EQ(Entries()[1], "z:\\zz.txt");
    EXPECT_EQ(Selected(), 0);
    EXPECT_NE(EditBox(), (HWND)NULL);
    EXPECT_EQ(commands_, (std::vector<int>{IDC_CHANGE_ITEM, IDC_REMOVE_ITEM, IDC_EDIT_ITEM}));
}

TEST_F(FileDialog, ChangeCancelledKeepsTheEntryAndOpensItsEdit)
{
    Seed({"c:\\no such folder\\gone.txt", "d:\\x.txt"});
    SelectItem(0);
    SeenDialog seen;
    ModalAnswer answer(kTitle, NULL, Answer(&seen, ""));
    Command(IDC_CHANGE_ITEM);
    ASSERT_TRUE(answer.Finish());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"c:\\no such folder\\gone.txt", "d:\\x.txt"}));
    EXPECT_EQ(SelectedText(), "c:\\no such folder\\gone.txt");
    ASSERT_NE(EditBox(), (HWND)NULL);
    EXPECT_EQ(WindowText(EditBox()), "c:\\no such folder\\gone.txt");
}

TEST_F(FileDialog, ChangeToAListedFileLeavesOneEntryOfItSelectedAndEdited)
{
    Seed({a_, b_});
    SelectItem(0);
    SeenDialog seen;
    ModalAnswer answer(kTitle, NULL, Answer(&seen, b_));
    Command(IDC_CHANGE_ITEM);
    ASSERT_TRUE(answer.Finish());
    ASSERT_EQ(Entries().size(), 1u) << "the list does not grow";
    EXPECT_TRUE(SameText(Entries()[0], b_));
    EXPECT_EQ(Selected(), 0);
    EXPECT_NE(EditBox(), (HWND)NULL);
}

TEST_F(FileDialog, DoubleClickOnAnEntryOpensChangeFromItsText)
{
    Seed({a_});
    RECT rc = {};
    rc.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageA(List(), LVM_GETITEMRECT, 0, (LPARAM)&rc));
    LPARAM at = MAKELPARAM(rc.left + 4, (rc.top + rc.bottom) / 2);
    SeenDialog seen;
    ModalAnswer answer(kTitle, NULL, Answer(&seen, ""));
    commands_.clear();
    SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(List(), WM_LBUTTONUP, 0, at);
    SendMessageA(List(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(List(), WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(answer.Finish()) << "the file-open dialog of Change came up";
    EXPECT_EQ(seen.fileName, "alpha.txt");
    ASSERT_FALSE(commands_.empty());
    EXPECT_EQ(commands_[0], IDC_CHANGE_ITEM);
}

}  // namespace
