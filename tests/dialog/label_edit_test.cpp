// In-place label edits of list entries: confirmed, emptied, cancelled.
#include "list_fixture.h"

namespace {

using LabelEdit = ListTest;

TEST_F(LabelEdit, ConfirmedTextReplacesTheEntryAndFitsTheColumn)
{
    Seed({"c:\\old.txt", "d:\\other.txt"});
    SelectItem(0);
    Command(IDC_EDIT_ITEM);
    SqueezeColumn();
    TypeAndConfirm("c:\\a much longer name for the entry than it had before.txt");
    EXPECT_EQ(EditBox(), (HWND)NULL) << "the edit has ended";
    EXPECT_EQ(Entries()[0], "c:\\a much longer name for the entry than it had before.txt");
    EXPECT_EQ(ColumnWidth(), FittedWidth());
}

TEST_F(LabelEdit, EmptiedOrCancelledEditLeavesTheEntryAndTheColumn)
{
    Seed({"c:\\keep.txt"});
    Command(IDC_EDIT_ITEM);
    SqueezeColumn();
    TypeAndConfirm("");
    EXPECT_EQ(Entries(), std::vector<std::string>{"c:\\keep.txt"}) << "emptied";
    EXPECT_EQ(ColumnWidth(), 7);

    Command(IDC_EDIT_ITEM);
    ASSERT_NE(EditBox(), (HWND)NULL);
    SendMessageA(EditBox(), WM_SETTEXT, 0, (LPARAM) "c:\\changed.txt");
    EndEdit(VK_ESCAPE);
    EXPECT_EQ(EditBox(), (HWND)NULL);
    EXPECT_EQ(Entries(), std::vector<std::string>{"c:\\keep.txt"}) << "cancelled with Escape";
    EXPECT_EQ(ColumnWidth(), 7);
}

TEST_F(LabelEdit, NewPlaceholderStaysWhenItsEditIsCancelled)
{
    Command(IDC_NEW_ITEM);
    EndEdit(VK_ESCAPE);
    EXPECT_EQ(Entries(), std::vector<std::string>{PLACEHOLDER_TEXT});
}

TEST_F(LabelEdit, EditToTheTextOfAnotherEntryGivesTwoEqualEntries)
{
    Seed({"c:\\a.txt", "c:\\b.txt"});
    SelectItem(1);
    Command(IDC_EDIT_ITEM);
    TypeAndConfirm("c:\\a.txt");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"c:\\a.txt", "c:\\a.txt"}));
}

TEST_F(LabelEdit, EndOfEditWithoutTextAnswersFalseAndWithTextTrue)
{
    Seed({"c:\\x.txt"});
    NMLVDISPINFOA info = {};
    info.hdr.hwndFrom = List();
    info.hdr.idFrom = IDC_FILE_LIST;
    info.hdr.code = LVN_ENDLABELEDITA;
    info.item.iItem = 0;
    info.item.pszText = NULL;
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&info), FALSE);
    char empty[] = "";
    info.item.pszText = empty;
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&info), FALSE);
    char text[] = "c:\\y.txt";
    info.item.pszText = text;
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&info), TRUE);
    EXPECT_EQ(Entries(), std::vector<std::string>{"c:\\y.txt"});
}

}  // namespace
