// The real dxnotify.exe backing up real files: what it copies and where, a
// burst, a locked file, the stop, and the hand-over to a new notifier.
#include "backup_fixture.h"

namespace {

using Backup = BackupTest;

TEST_F(Backup, ACopyOfAChangeGoesToTheNewestCopyAndTheCurrentSlotOfEachRing)
{
    List({"plan.doc"});
    ASSERT_TRUE(WriteText(Src("plan.doc"), "made while no notifier ran"));
    Child notifier;
    Start(notifier);
    EXPECT_TRUE(Becomes(Copy("plan.doc"), "made while no notifier ran")) << "copied at start";

    const std::string minute = "a Last Hour - One per Minute", hour = "b Last Day - One per Hour",
                      day = "c Last Month - One per Day";
    auto slotCopy = [&](const std::string &ring, int n) {
        return Copy("plan.doc", ring + "\\" + char('0' + n / 10) + char('0' + n % 10));
    };
    SYSTEMTIME b, a;  // a slot's number may turn between the save and the copy
    auto save = [&](const std::string &text) {
        GetLocalTime(&b);
        ASSERT_TRUE(WriteText(Src("plan.doc"), text));
        ASSERT_TRUE(Becomes(Copy("plan.doc"), text));
        GetLocalTime(&a);
    };
    // A copy retried later belongs to the slot of the time it is made.
    auto inSlot = [&](const std::string &ring, WORD SYSTEMTIME::*field, const std::string &text) {
        return PumpUntil([&] {
            SYSTEMTIME now;
            GetLocalTime(&now);
            for (WORD n : {b.*field, a.*field, now.*field})
                if (ReadText(slotCopy(ring, n)) == text)
                    return true;
            return false;
        });
    };
    save("saved");
    EXPECT_TRUE(inSlot(minute, &SYSTEMTIME::wMinute, "saved"));
    EXPECT_TRUE(inSlot(hour, &SYSTEMTIME::wHour, "saved"));
    EXPECT_TRUE(inSlot(day, &SYSTEMTIME::wDay, "saved"));

    // A slot's copy open in a viewer cannot be replaced until it is closed.
    HANDLE viewer = CreateFileA(slotCopy(minute, a.wMinute).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    save("saved again");
    CloseHandle(viewer);
    EXPECT_TRUE(inSlot(minute, &SYSTEMTIME::wMinute, "saved again"));

    DWORD signalled = GetTickCount();
    Signal();
    ASSERT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
    EXPECT_LT(GetTickCount() - signalled, 1000u) << "it ends within a second";
    EXPECT_EQ(notifier.ExitCode(), 0u);
}

TEST_F(Backup, ListedFilesAndTheFilesDirectlyInListedFoldersAreCopiedAndNothingElse)
{
    struct Case {
        const char *write;  // written after the start, relative to src_
        bool copied;
    } cases[] = {
        {"a.txt", true},                // a listed file
        {"beside a.txt", false},        // in the same folder, not listed
        {"dir\\x.txt", true},           // directly in a listed folder
        {"dir\\sub\\y.txt", false},     // in a subfolder of it
        {"later\\n.txt", true},         // listed, its folder made after the start
        {"new dir\\z.txt", true},       // a listed folder made after the start
    };
    List({"a.txt", "dir", "later\\n.txt", "new dir"});
    CreateDirectoryA(Src("dir").c_str(), NULL);
    CreateDirectoryA(Src("dir\\sub").c_str(), NULL);
    Child notifier;
    Start(notifier);
    for (const Case &c : cases)
        ASSERT_TRUE(WriteText(Src(c.write), c.write));
    for (const Case &c : cases) {
        if (c.copied) {
            EXPECT_TRUE(Becomes(Copy(c.write), c.write)) << c.write;
        }
    }
    // Checked once all the others are copied: by then these would be too.
    for (const Case &c : cases) {
        if (!c.copied) {
            EXPECT_FALSE(PathExists(Copy(c.write))) << c.write;
        }
    }
}

TEST_F(Backup, ABurstOfAThousandWritesEndsWithTheLastContentAsTheNewestCopy)
{
    List({"burst.txt"});
    ASSERT_TRUE(WriteText(Src("burst.txt"), "start"));
    Child notifier;
    Start(notifier);
    ASSERT_TRUE(Becomes(Copy("burst.txt"), "start"));
    std::string last;
    for (int i = 0; i < 1000; i++) {  // the notifier may hold the file a moment
        // One size for all: only the content and the write time differ.
        last = "write " + std::to_string(1000 + i);
        ASSERT_TRUE(PumpUntil([&] { return WriteText(Src("burst.txt"), last); })) << i;
    }
    EXPECT_TRUE(Becomes(Copy("burst.txt"), last));
    // A change reported late may still be copying the same content again.
    EXPECT_TRUE(PumpUntil([&] { return !PathExists(Copy("burst.txt") + ".~dx"); })) << "no temporary file is left";
}

TEST_F(Backup, AFileHeldOpenWithoutSharingIsCopiedAfterItIsClosed)
{
    List({"locked.txt", "nudge.txt"});
    ASSERT_TRUE(WriteText(Src("locked.txt"), "before"));
    Child notifier;
    Start(notifier);
    ASSERT_TRUE(Becomes(Copy("locked.txt"), "before"));
    HANDLE held = CreateFileA(Src("locked.txt").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(held, "after", 5, &written, NULL);
    // Once the file beside it is copied, the notifier has tried this one.
    ASSERT_TRUE(WriteText(Src("nudge.txt"), "n"));
    ASSERT_TRUE(Becomes(Copy("nudge.txt"), "n"));
    EXPECT_EQ(ReadText(Copy("locked.txt")), "before") << "not readable, so not copied";
    CloseHandle(held);
    EXPECT_TRUE(Becomes(Copy("locked.txt"), "after"));
}

TEST_F(Backup, NotifiersStartedWhileOneRunsTakeOverAndWorkFromTheLastSettings)
{
    // As two quick OKs do: each stores a list, signals and starts a notifier.
    List({"old.txt"});
    Child first, second, third;
    Start(first);
    CleanProductKey();
    List({"second.txt"});
    Signal();
    Start(second);
    CleanProductKey();
    List({"third.txt"});
    Signal();
    Start(third);
    ASSERT_TRUE(first.WaitEnd(WAIT_BOUND_MS));
    ASSERT_TRUE(second.WaitEnd(WAIT_BOUND_MS)) << "a waiting notifier does not linger";
    ASSERT_TRUE(WriteText(Src("second.txt"), "2"));
    ASSERT_TRUE(WriteText(Src("third.txt"), "3"));
    EXPECT_TRUE(Becomes(Copy("third.txt"), "3"));
    EXPECT_FALSE(PathExists(Copy("second.txt"))) << "settings are read when a notifier's turn comes";
    EXPECT_EQ(CountProcessesNamed("dxnotify.exe"), 1);
    Signal();
    EXPECT_TRUE(third.WaitEnd(WAIT_BOUND_MS)) << "one signal, and none is left";
}

TEST_F(Backup, AFileListedInTheDialogIsCopiedAfterOk)
{
    List({"old.txt"});
    Child old;
    Start(old);
    ASSERT_TRUE(WriteText(Src("added.txt"), "first"));
    Child duplix;
    HWND dlg = Open(duplix);
    ASSERT_NE(dlg, (HWND)NULL);
    AddFileAsAUser(dlg, Src("added.txt"));
    Click(dlg, IDOK);
    ASSERT_TRUE(duplix.WaitEnd(WAIT_BOUND_MS));
    ASSERT_TRUE(old.WaitEnd(WAIT_BOUND_MS));
    ASSERT_TRUE(PumpUntil([] { return EventExists() && CountProcessesNamed("dxnotify.exe") == 1; }));
    EXPECT_TRUE(Becomes(Copy("added.txt"), "first"));
    ASSERT_TRUE(WriteText(Src("added.txt"), "saved after OK"));
    EXPECT_TRUE(Becomes(Copy("added.txt"), "saved after OK"));
}

}  // namespace
