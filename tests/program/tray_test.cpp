// The real dxnotify.exe's icon, read through its hidden window (its text is
// the tip, its user data the look): trouble shows on the icon and in the
// status window and goes when it is mended; the menu, Settings and Stop
// Backing Up.
#include "backup_fixture.h"

#include "app/program.h"
#include "notifier/resource.h"
#include "support/modal.h"
#include "support/remote_list.h"

#include <functional>
#include <vector>

namespace {

using Tray = BackupTest;

int CountWindowsOf(DWORD pid, const char *className, const char *title)
{
    int count = 0;
    HWND w = NULL;
    while ((w = FindWindowExA(NULL, w, className, title)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        count += owner == pid && IsWindowVisible(w);
    }
    return count;
}

HWND WaitForIconWindow(DWORD pid)
{
    HWND found = NULL;
    PumpUntil([&] { return (found = FindWindowOf(pid, NOTIFIER_WINDOW_CLASS)) != NULL; });
    return found;
}

// What the icon shows: its tip, and whether its look is the trouble one.
bool Shows(HWND icon, const std::string &tip, int look)
{
    return PumpUntil([&] {
        return WindowText(icon) == tip && GetWindowLongPtrA(icon, GWLP_USERDATA) == look;
    });
}

std::string Item(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

HANDLE HoldExclusively(const std::string &path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
}

TEST_F(Tray, TroubleTurnsTheIconAndFillsTheStatusWindowUntilItIsMended)
{
    HANDLE held = INVALID_HANDLE_VALUE;
    struct Case {
        std::string tip;        // while in trouble
        std::string why;        // the status window's reason
        std::string writable;   // what it says of the backup path
        std::function<void()> cause, mend;
        std::string file;
    } cases[] = {
        // A file where the backup folder should be: Wine keeps no ACLs.
        {"VELT Duplix 98 - the backup folder cannot be written", "backup folder not writable",
         "It cannot be written.", [&] {
             WriteText(Src("a.txt"), "a");
             WriteText(bak_, "in the way");
         },
         [&] { DeleteFileA(bak_.c_str()); }, "a.txt"},
        {"VELT Duplix 98 - 1 file not backed up", "missing", "It can be written.", [] {},
         [&] { WriteText(Src("gone.txt"), "here now"); }, "gone.txt"},
        // A passing failure counts once it has lasted 2 s, as in the log.
        {"VELT Duplix 98 - 1 file not backed up", "in use", "It can be written.",
         [&] { held = HoldExclusively(Src("held.txt")); }, [&] { CloseHandle(held); }, "held.txt"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        RemoveFolderTree(bak_);
        DeleteFileA(bak_.c_str());
        CleanProductKey();
        c.cause();
        List({c.file});
        Child notifier;
        Start(notifier);
        HWND icon = WaitForIconWindow(notifier.Pid());
        ASSERT_NE(icon, (HWND)NULL);
        EXPECT_TRUE(Shows(icon, c.tip, NOTIFIER_LOOK_TROUBLE)) << WindowText(icon);

        // A double click opens the status window, and a second one or the
        // menu's Status brings the same one to the front.
        PostMessageA(icon, NOTIFIER_ICON_MESSAGE, 0, WM_LBUTTONDBLCLK);
        HWND status = NULL;
        // Shown once its controls are made and filled.
        ASSERT_TRUE(PumpUntil([&] {
            status = FindWindowOf(notifier.Pid(), "#32770", NOTIFIER_STATUS_TITLE);
            return status != NULL && IsWindowVisible(status);
        }));
        PostMessageA(icon, NOTIFIER_ICON_MESSAGE, 0, WM_LBUTTONDBLCLK);
        PostMessageA(icon, WM_COMMAND, IDM_STATUS, 0);
        HWND list = GetDlgItem(status, IDC_STATUS_LIST);
        EXPECT_TRUE(PumpUntil([&] {
            return RemoteListColumn(list, 0) == std::vector<std::string>{Src(c.file)} &&
                   RemoteListColumn(list, 1) == std::vector<std::string>{c.why};
        })) << Item(status, IDC_STATUS_SUMMARY);
        ASSERT_EQ(RemoteListColumn(list, 2).size(), 1u);
        char today[64] = "";
        GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, NULL, NULL, today, sizeof(today));
        EXPECT_EQ(RemoteListColumn(list, 2).at(0).rfind(std::string(today) + " ", 0), 0u)
            << "the time the trouble began, as the user writes it: " << RemoteListColumn(list, 2).at(0);
        EXPECT_EQ(CountWindowsOf(notifier.Pid(), "#32770", NOTIFIER_STATUS_TITLE), 1);
        EXPECT_EQ(Item(status, IDC_STATUS_PATH), bak_);
        EXPECT_EQ(Item(status, IDC_STATUS_WRITABLE), c.writable);
        EXPECT_EQ(Item(status, IDC_STATUS_WATCHED), "1 file in 1 entry");
        EXPECT_EQ(Item(status, IDC_STATUS_SUMMARY), "1 file is not backed up:");
        EXPECT_EQ(Item(status, IDC_STATUS_LAST_COPY), "No copy yet.");

        // Mended: the icon turns back, and the open window follows.
        c.mend();
        EXPECT_TRUE(Shows(icon, "VELT Duplix 98 - all files backed up", NOTIFIER_LOOK_BACKED_UP))
            << WindowText(icon);
        EXPECT_TRUE(
            PumpUntil([&] { return Item(status, IDC_STATUS_SUMMARY) == "Every listed file is backed up."; }));
        std::string last = Item(status, IDC_STATUS_LAST_COPY), file = Src(c.file);
        EXPECT_TRUE(last.size() > file.size() &&
                    last.compare(last.size() - file.size(), file.size(), file) == 0) << last;
        EXPECT_EQ(Item(status, IDC_STATUS_WRITABLE), "It can be written.");

        // Closing the window leaves the notifier, which still backs up.
        PressButton(status, IDCANCEL);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(status); }));
        ASSERT_TRUE(WriteText(Src(c.file), "after the window"));
        EXPECT_TRUE(Becomes(Copy(c.file), "after the window"));
        Signal();
        EXPECT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
        EXPECT_FALSE(IsWindow(icon)) << "the icon goes with the notifier";
    }
}

// A new version kept beside a newest copy that a viewer holds open is saved:
// neither the icon nor the status window calls it a trouble.
TEST_F(Tray, AVersionWaitingBesideAHeldCopyIsNoTrouble)
{
    List({"plan.doc", "b.txt"});
    ASSERT_TRUE(WriteText(Src("plan.doc"), "v1"));
    ASSERT_TRUE(WriteText(Src("b.txt"), "b1"));
    Child notifier;
    Start(notifier);
    HWND icon = WaitForIconWindow(notifier.Pid());
    ASSERT_NE(icon, (HWND)NULL);
    ASSERT_TRUE(Becomes(Copy("plan.doc"), "v1"));
    HANDLE viewer = CreateFileA(Copy("plan.doc").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    // Of another size: within a time step, the size tells versions apart.
    ASSERT_TRUE(PumpUntil([&] { return WriteText(Src("plan.doc"), "version two"); }));
    ASSERT_TRUE(Becomes(Copy("plan.doc") + ".~dxnew", "version two"));
    // Logged once it has lasted as long as a trouble must to count; a
    // later copy then publishes the status anew.
    std::string log = bak_ + "\\Duplix.log";
    EXPECT_TRUE(PumpUntil([&] { return ReadText(log).find(Src("plan.doc")) != std::string::npos; })) << ReadText(log);
    ASSERT_TRUE(WriteText(Src("b.txt"), "b2"));
    ASSERT_TRUE(Becomes(Copy("b.txt"), "b2"));
    PostMessageA(icon, NOTIFIER_ICON_MESSAGE, 0, WM_LBUTTONDBLCLK);
    HWND status = NULL;
    ASSERT_TRUE(PumpUntil([&] {
        status = FindWindowOf(notifier.Pid(), "#32770", NOTIFIER_STATUS_TITLE);
        return status != NULL && IsWindowVisible(status) &&
               Item(status, IDC_STATUS_LAST_COPY).find(Src("b.txt")) != std::string::npos;
    }));
    EXPECT_EQ(WindowText(icon), "VELT Duplix 98 - all files backed up");
    EXPECT_EQ(GetWindowLongPtrA(icon, GWLP_USERDATA), NOTIFIER_LOOK_BACKED_UP);
    EXPECT_EQ(Item(status, IDC_STATUS_SUMMARY), "Every listed file is backed up.");
    CloseHandle(viewer);
    Signal();
    EXPECT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
}

TEST_F(Tray, TheMenuHoldsItsCommandsAndStopBackingUpAsksBeforeItEnds)
{
    // Wine keeps menus per process: the menu is read from the program file.
    HMODULE program = LoadLibraryExA(notifier_.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, (HMODULE)NULL);
    HMENU bar = LoadMenuA(program, MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_NE(bar, (HMENU)NULL);
    HMENU menu = GetSubMenu(bar, 0);
    struct Item {
        UINT id;
        std::string text;
    } items[] = {{IDM_STATUS, "&Status..."}, {IDM_SETTINGS, "S&ettings..."},
                 {IDM_OPEN_BACKUP, "&Open Backup Folder"}, {IDM_SHOW_LOG, "Show &Log"}, {0, ""},
                 {IDM_STOP, "Stop &Backing Up..."}};
    ASSERT_EQ(GetMenuItemCount(menu), 6);
    for (int i = 0; i < 6; i++) {
        char text[64] = "";
        GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        EXPECT_EQ(GetMenuItemID(menu, i), items[i].id) << i;
        EXPECT_EQ(text, items[i].text) << i;
    }
    DestroyMenu(bar);
    FreeLibrary(program);

    // Chosen from the real menu by its key; No leaves it backing up, Yes ends it.
    ASSERT_TRUE(WriteText(Src("a.txt"), "a"));
    List({"a.txt"});
    Child notifier;
    Start(notifier);
    HWND icon = WaitForIconWindow(notifier.Pid());
    ASSERT_NE(icon, (HWND)NULL);
    // Settings... starts the settings program from the notifier's folder.
    PostMessageA(icon, WM_COMMAND, IDM_SETTINGS, 0);
    HWND settings = NULL;
    ASSERT_TRUE(PumpUntil([&] { return (settings = FindSettingsWindow()) != NULL; }));
    Click(settings, IDCANCEL);
    ASSERT_TRUE(PumpUntil([] { return CountSettingsWindows() == 0; }));
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer);
        PostMessageA(icon, NOTIFIER_ICON_MESSAGE, 0, WM_RBUTTONUP);
        ASSERT_TRUE(PumpUntil([&] {
            HWND menuWindow = FindWindowOf(notifier.Pid(), "#32768");
            return menuWindow != NULL && IsWindowVisible(menuWindow);
        }));
        PostMessageA(icon, WM_CHAR, 'b', 0);
        HWND box = NULL;
        ASSERT_TRUE(PumpUntil([&] { return (box = FindWindowOf(notifier.Pid(), "#32770", PRODUCT_TITLE)); }));
        EXPECT_EQ(MessageBoxText(box),
                  "Files will not be backed up until you log on again or press OK in the VELT Duplix 98 "
                  "Settings.");
        PressButton(box, answer);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }));
        if (answer == IDNO) {
            ASSERT_TRUE(WriteText(Src("a.txt"), "still backed up"));
            EXPECT_TRUE(Becomes(Copy("a.txt"), "still backed up"));
        }
    }
    EXPECT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(notifier.ExitCode(), 0u);
    EXPECT_FALSE(IsWindow(icon));
    EXPECT_FALSE(EventExists()) << "it ended as its stop event would end it";
}

}  // namespace
