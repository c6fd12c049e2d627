// The list commands New, Remove, Edit and Open, their keys, and what each
// does with nothing selected.
#include "list_fixture.h"

#include "dialog/settings_dlg.h"

namespace {

using ListCommands = ListTest;

TEST_F(ListCommands, AddKeepsTheListSortedAndFreeOfDuplicatesInAnyLetterCase)
{
    Seed({"c:\\b.txt", "C:\\A.txt", "c:\\c.txt"});
    EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\A.txt", "c:\\b.txt", "c:\\c.txt"}));

    AddOrSelectItem("C:\\B.TXT");
    EXPECT_EQ(Entries().size(), 3u) << "no entry that differs in letter case only";
    EXPECT_EQ(SelectedText(), "c:\\b.txt") << "the existing entry is selected";
    EXPECT_TRUE(Focused(Selected()));
    EXPECT_EQ(GetFocus(), List());
}

TEST_F(ListCommands, NewAddsThePlaceholderAndOpensItsEditAndTwiceKeepsOne)
{
    Seed({"c:\\z.txt"});
    Command(IDC_NEW_ITEM);
    EXPECT_EQ(Entries().size(), 2u);
    EXPECT_EQ(SelectedText(), PLACEHOLDER_TEXT);
    ASSERT_NE(EditBox(), (HWND)NULL) << "the label edit is open";
    EXPECT_EQ(WindowText(EditBox()), PLACEHOLDER_TEXT);

    EndEdit(VK_ESCAPE);
    Command(IDC_NEW_ITEM);
    EXPECT_EQ(Entries().size(), 2u) << "one placeholder";
    EXPECT_EQ(SelectedText(), PLACEHOLDER_TEXT);
    EXPECT_NE(EditBox(), (HWND)NULL);
}

TEST_F(ListCommands, EveryAddEndsWithTheEditCommand)
{
    commands_.clear();
    AddAndEditItem("c:\\x.txt");
    EXPECT_EQ(commands_, std::vector<int>{IDC_EDIT_ITEM});
    EXPECT_NE(EditBox(), (HWND)NULL);
}

TEST_F(ListCommands, RemoveSelectsTheSuccessorOrTheNewLastOrNothing)
{
    Seed({"a", "b", "c", "d"});
    SelectItem(1);
    Command(IDC_REMOVE_ITEM);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(SelectedText(), "c") << "a middle entry: the one that followed it";

    SelectItem(2);
    Command(IDC_REMOVE_ITEM);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(SelectedText(), "c") << "the last entry: the new last one";
    EXPECT_TRUE(Focused(1));

    Command(IDC_REMOVE_ITEM);
    Command(IDC_REMOVE_ITEM);
    EXPECT_TRUE(Entries().empty()) << "the only entry";
    EXPECT_EQ(Selected(), -1);
}

TEST_F(ListCommands, CommandsThatNeedASelectionChangeNothingWithoutOne)
{
    Seed({"a", "b"});
    LVITEMA none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(List(), LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&none);
    ASSERT_EQ(Selected(), -1);
    SqueezeColumn();

    for (int id : {IDC_REMOVE_ITEM, IDC_OPEN_ITEM, IDC_EDIT_ITEM, IDC_CHANGE_ITEM}) {
        commands_.clear();
        Command(id);
        EXPECT_EQ(commands_, std::vector<int>{id}) << id << ": no other command runs";
        EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "b"})) << id;
        EXPECT_EQ(EditBox(), (HWND)NULL) << id;
        EXPECT_EQ(ColumnWidth(), 7) << id << ": the column stays as it was";
    }
}

TEST_F(ListCommands, DeleteInAnEmptyListDoesNothing)
{
    commands_.clear();
    PressKey(VK_DELETE);
    EXPECT_EQ(commands_, std::vector<int>{IDC_REMOVE_ITEM});
    EXPECT_TRUE(Entries().empty());
}

TEST_F(ListCommands, KeysInTheListRunTheirCommands)
{
    // An empty entry, so that Open has nothing to show in Explorer.
    Seed({"", "b"});
    SelectItem(0);
    struct {
        WPARAM key;
        int command;
    } keys[] = {{VK_SPACE, IDC_OPEN_ITEM}, {VK_F2, IDC_EDIT_ITEM}, {VK_INSERT, IDC_NEW_ITEM},
                {VK_DELETE, IDC_REMOVE_ITEM}};
    for (auto k : keys) {
        SetFocus(List());
        EndEdit(VK_ESCAPE);
        commands_.clear();
        PressKey(k.key);
        ASSERT_FALSE(commands_.empty()) << k.key;
        EXPECT_EQ(commands_[0], k.command) << k.key;
    }
    // Insert added the placeholder, selected it, and Delete removed it.
    EXPECT_EQ(Entries(), (std::vector<std::string>{"", "b"}));

    commands_.clear();
    PressKey('X');
    PressKey(VK_HOME);
    EXPECT_TRUE(commands_.empty()) << "other keys run nothing";
}

TEST_F(ListCommands, F2OpensTheLabelEditOfTheSelectedEntry)
{
    Seed({"a", "b"});
    SelectItem(1);
    SetFocus(Item(IDOK));
    PressKey(VK_F2);
    ASSERT_NE(EditBox(), (HWND)NULL);
    EXPECT_EQ(WindowText(EditBox()), "b");
    EXPECT_EQ(GetFocus(), EditBox());
}

TEST_F(ListCommands, OpenWithAnEmptyEntryDoesNothing)
{
    Seed({""});
    ASSERT_EQ(Selected(), 0);
    commands_.clear();
    Command(IDC_OPEN_ITEM);
    EXPECT_EQ(commands_, std::vector<int>{IDC_OPEN_ITEM});
    EXPECT_EQ(Entries(), std::vector<std::string>{""});
}

TEST_F(ListCommands, TheColumnIsFittedAfterEveryAddAndRemoval)
{
    SqueezeColumn();
    AddOrSelectItem("C:\\a rather long path\\to a file that needs room\\in the column.txt");
    EXPECT_NE(ColumnWidth(), 7);
    EXPECT_EQ(ColumnWidth(), FittedWidth()) << "after an add";

    SqueezeColumn();
    AddOrSelectItem("c:\\A RATHER LONG PATH\\to a file that needs room\\in the column.txt");
    EXPECT_EQ(ColumnWidth(), FittedWidth()) << "after an add that only selects";

    AddOrSelectItem("short");
    SqueezeColumn();
    Command(IDC_REMOVE_ITEM);
    EXPECT_EQ(ColumnWidth(), FittedWidth()) << "after a removal";
}

TEST_F(ListCommands, HeaderClickLeavesEntriesAndSelectionAsTheyAre)
{
    Seed({"b", "c", "d"});
    SelectItem(0);
    Command(IDC_EDIT_ITEM);
    TypeAndConfirm("z");
    ASSERT_EQ(Entries(), (std::vector<std::string>{"z", "c", "d"})) << "the edit leaves the entry in place";

    NMLISTVIEW click = {};
    click.hdr.hwndFrom = List();
    click.hdr.idFrom = IDC_FILE_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = 0;
    SelectItem(2);
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&click), TRUE);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"z", "c", "d"}));
    EXPECT_EQ(SelectedText(), "d");
}

TEST_F(ListCommands, OtherListNotificationsAreLeftAlone)
{
    NMHDR hdr = {};
    hdr.hwndFrom = List();
    hdr.idFrom = IDC_FILE_LIST;
    hdr.code = LVN_ITEMCHANGED;
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&hdr), FALSE);
    hdr.code = NM_CLICK;
    EXPECT_EQ(SettingsDlgProc(dlg_, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&hdr), FALSE);
}

}  // namespace
