// The real program's opening and closing with the store: what it shows from
// the registry, what OK and Cancel store, and the notifier's restart.
#include "program_fixture.h"

#include "support/modal.h"
#include "support/product_key.h"
#include "support/remote_list.h"

#include <commctrl.h>

#include <vector>

namespace {

class Persistence : public CleanProgramTest {
protected:
    struct Shown {
        bool opened = false;
        std::vector<std::string> entries;
        int selected = -2;
        std::string path;
    };

    // Opens the program, reads what its dialog shows and ends it with Cancel.
    Shown OpenReadAndCancel()
    {
        Shown shown;
        Child child;
        HWND dlg = Open(child);
        if (dlg == NULL)
            return shown;
        shown.opened = true;
        HWND list = GetDlgItem(dlg, 1001);
        shown.entries = RemoteListEntries(list);
        shown.selected = RemoteListSelected(list);
        shown.path = WindowText(GetDlgItem(dlg, 1030));
        EXPECT_EQ(CloseWithCancel(child, dlg), 0u);
        return shown;
    }

    // Starts a notifier and waits until it holds the event; with an empty
    // list it would end at once, so the list has an entry first.
    void StartNotifier(Child &notifier)
    {
        if (!HasValue("ListItem0"))
            PutString("ListItem0", "c:\\running.txt");
        ASSERT_TRUE(notifier.Start(notifier_));
        ASSERT_TRUE(PumpUntil(EventExists));
    }

    static std::string MakeFile(const std::string &name)
    {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof(temp), temp);
        std::string folder = std::string(temp) + "duplix-round-trip";
        CreateDirectoryA(folder.c_str(), NULL);
        std::string path = folder + "\\" + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        CloseHandle(h);
        return path;
    }
};

TEST_F(Persistence, StoredEntriesAreShownSortedOnceEachWithTheLastLoadedSelected)
{
    PutString("BackupPath", "D:\\Store");
    PutString("ListItem0", "c:\\zeta.txt");
    PutString("ListItem1", "C:\\Alpha.txt");
    PutString("ListItem2", "c:\\ALPHA.TXT");
    PutString("ListItem3", "c:\\mid.txt");
    Shown shown = OpenReadAndCancel();
    ASSERT_TRUE(shown.opened);
    EXPECT_EQ(shown.entries, (std::vector<std::string>{"C:\\Alpha.txt", "c:\\mid.txt", "c:\\zeta.txt"}));
    EXPECT_EQ(shown.selected, 1) << "the entry of the highest index read";
    EXPECT_EQ(shown.path, "D:\\Store");
}

TEST_F(Persistence, LastLoadedDuplicateSelectsTheEntryShown)
{
    PutString("ListItem0", "c:\\b.txt");
    PutString("ListItem1", "C:\\A.TXT");
    PutString("ListItem2", "c:\\a.txt");
    Shown shown = OpenReadAndCancel();
    ASSERT_TRUE(shown.opened);
    EXPECT_EQ(shown.entries, (std::vector<std::string>{"C:\\A.TXT", "c:\\b.txt"}));
    EXPECT_EQ(shown.selected, 0);
    EXPECT_EQ(shown.path, "C:\\Duplix Path") << "no stored path: the default";
}

TEST_F(Persistence, LoadingStopsAtTheFirstGapAndAtAnEntryTooLongToRead)
{
    struct Case {
        const char *what;
        std::string second;  // empty: ListItem1 missing
    } cases[] = {{"a gap", ""}, {"260 characters", std::string(260, 'L')}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CleanProductKey();
        PutString("ListItem0", "c:\\first.txt");
        if (!c.second.empty())
            PutString("ListItem1", c.second);
        PutString("ListItem2", "c:\\third.txt");
        Shown shown = OpenReadAndCancel();
        ASSERT_TRUE(shown.opened);
        EXPECT_EQ(shown.entries, std::vector<std::string>{"c:\\first.txt"});
        EXPECT_EQ(shown.selected, 0);
    }
}

TEST_F(Persistence, OkWithEntriesStoresThemStopsTheNotifierAndStartsANewOne)
{
    Child old;
    StartNotifier(old);
    PutString("ListItem0", "c:\\b.txt");
    PutString("ListItem1", "c:\\a.txt");
    PutString("ListItem2", "c:\\stale one.txt");
    PutString("ListItem5", "c:\\past the gap.txt");
    PutString("BackupPath", "F:\\Copies");
    Child child;
    HWND dlg = Open(child);
    ASSERT_NE(dlg, (HWND)NULL);
    HWND list = GetDlgItem(dlg, 1001);
    // Take one entry off as the user would: select it and press Delete.
    PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);  // removes the selected, the last loaded
    ASSERT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 2; }));

    Click(dlg, IDOK);
    ASSERT_TRUE(child.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(child.ExitCode(), 0u);
    EXPECT_TRUE(old.WaitEnd(WAIT_BOUND_MS)) << "the running notifier was told to stop";
    EXPECT_TRUE(PumpUntil([] { return EventExists() && CountProcessesNamed("dxnotify.exe") == 1; }))
        << "a new notifier runs and holds the event";

    EXPECT_EQ(GetString("BackupPath"), "F:\\Copies");
    EXPECT_EQ(GetString("ListItem0"), "c:\\a.txt");
    EXPECT_EQ(GetString("ListItem1"), "c:\\b.txt");
    EXPECT_FALSE(HasValue("ListItem2")) << "the stale tail is removed";
    EXPECT_EQ(GetString("ListItem5"), "c:\\past the gap.txt") << "values past a gap stay";
    EXPECT_TRUE(HasValue("WndLeft"));
    EXPECT_TRUE(HasValue("WndTop"));
}

TEST_F(Persistence, OkWithAnEmptyListStopsTheNotifierAndStartsNone)
{
    Child old;
    StartNotifier(old);
    PutString("ListItem0", "c:\\only.txt");
    Child child;
    HWND dlg = Open(child);
    ASSERT_NE(dlg, (HWND)NULL);
    HWND list = GetDlgItem(dlg, 1001);
    PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
    ASSERT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 0; }));
    Click(dlg, IDOK);
    ASSERT_TRUE(child.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(child.ExitCode(), 0u);
    EXPECT_TRUE(old.WaitEnd(WAIT_BOUND_MS));
    // The program starts a notifier before it ends, so one would be there now.
    EXPECT_EQ(CountProcessesNamed("dxnotify.exe"), 0);
    EXPECT_FALSE(HasValue("ListItem0"));
    EXPECT_EQ(GetString("BackupPath"), "C:\\Duplix Path");
}

TEST_F(Persistence, OkWithoutTheNotifierFileShowsNothingAndEnds)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "duplix-alone";
    CreateDirectoryA(folder.c_str(), NULL);
    std::string alone = folder + "\\Duplix.exe";
    ASSERT_TRUE(CopyFileA(duplix_.c_str(), alone.c_str(), FALSE));
    DeleteFileA((folder + "\\dxnotify.exe").c_str());
    PutString("ListItem0", "c:\\watched.txt");

    Child child;
    ASSERT_TRUE(child.Start(alone));
    HWND dlg = WaitForSettingsWindow(child.Pid());
    ASSERT_NE(dlg, (HWND)NULL);
    Click(dlg, IDOK);
    int mostWindows = 0;
    ASSERT_TRUE(PumpUntil([&] {
        int n = CountVisibleWindowsOf(child.Pid());
        mostWindows = n > mostWindows ? n : mostWindows;
        return !child.Running();
    }));
    EXPECT_EQ(child.ExitCode(), 0u);
    EXPECT_LE(mostWindows, 1) << "no message beside the dialog";
    EXPECT_EQ(GetString("ListItem0"), "c:\\watched.txt");
    EXPECT_EQ(CountProcessesNamed("dxnotify.exe"), 0);
}

TEST_F(Persistence, CancelAfterChangesStoresOnlyThePositionAndLeavesTheNotifier)
{
    Child notifier;
    StartNotifier(notifier);
    PutString("ListItem0", "c:\\a.txt");
    PutString("BackupPath", "D:\\P");
    Child child;
    HWND dlg = Open(child);
    ASSERT_NE(dlg, (HWND)NULL);
    HWND list = GetDlgItem(dlg, 1001);
    Click(dlg, 1072);  // New
    ASSERT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 2; }));
    SendMessageA(GetDlgItem(dlg, 1030), WM_SETTEXT, 0, (LPARAM) "X:\\Elsewhere");
    EXPECT_EQ(CloseWithCancel(child, dlg), 0u);

    EXPECT_EQ(GetString("ListItem0"), "c:\\a.txt");
    EXPECT_FALSE(HasValue("ListItem1"));
    EXPECT_EQ(GetString("BackupPath"), "D:\\P");
    EXPECT_TRUE(HasValue("WndLeft"));
    EXPECT_TRUE(HasValue("WndTop"));
    EXPECT_TRUE(notifier.Running()) << "the notifier is left alone";
}

TEST_F(Persistence, RoundTripOpenAddFilesOkOpenAgain)
{
    std::string one = MakeFile("one.txt"), two = MakeFile("two.txt");
    Child first;
    HWND dlg = Open(first);
    ASSERT_NE(dlg, (HWND)NULL);
    AddFileAsAUser(dlg, two);
    AddFileAsAUser(dlg, one);
    SendMessageA(GetDlgItem(dlg, 1030), WM_SETTEXT, 0, (LPARAM) "E:\\Safe Place");
    std::vector<std::string> shown = RemoteListEntries(GetDlgItem(dlg, 1001));
    ASSERT_EQ(shown.size(), 2u);
    Click(dlg, IDOK);
    ASSERT_TRUE(first.WaitEnd(WAIT_BOUND_MS));

    Shown again = OpenReadAndCancel();
    ASSERT_TRUE(again.opened);
    EXPECT_EQ(again.entries, shown);
    EXPECT_EQ(lstrcmpiA(again.entries[0].c_str(), one.c_str()), 0) << again.entries[0];
    EXPECT_EQ(again.path, "E:\\Safe Place");
}

}  // namespace
