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

    // A slot's copy open in a viewer cannot be replaced until it is closed;
    // where the slots are links of the newest copy, the newest copy neither:
    // meanwhile the version waits beside it.
    HANDLE viewer = CreateFileA(slotCopy(minute, a.wMinute).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_TRUE(WriteText(Src("plan.doc"), "saved again"));
    EXPECT_TRUE(PumpUntil([&] {
        return ReadText(Copy("plan.doc")) == "saved again" || ReadText(Copy("plan.doc") + ".~dxnew") == "saved again";
    }));
    CloseHandle(viewer);
    EXPECT_TRUE(Becomes(Copy("plan.doc"), "saved again"));
    EXPECT_TRUE(inSlot(minute, &SYSTEMTIME::wMinute, "saved again"));

    DWORD signalled = GetTickCount();
    Signal();
    ASSERT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
    EXPECT_LT(GetTickCount() - signalled, 1000u) << "it ends within a second";
    EXPECT_EQ(notifier.ExitCode(), 0u);
}

TEST_F(Backup, AListedFolderIsBackedUpWholeWithoutClutterAndAListedFileAlways)
{
    struct Case {
        const char *write;  // relative to src_
        bool beforeStart, copied;
    } cases[] = {
        {"a.txt", false, true},                     // a listed file
        {"beside a.txt", false, false},             // beside it, not listed
        {"dir\\x.txt", true, true},                 // in a listed folder, at three depths
        {"dir\\sub\\y.txt", true, true},
        {"dir\\sub\\deep\\z.txt", false, true},
        {"dir\\made later\\n.txt", false, true},    // a folder made after the start
        {"later\\n.txt", false, true},              // listed, its folder made after the start
        {"new dir\\sub\\z.txt", false, true},       // a listed folder made after the start
        {"~$listed.docx", false, true},             // clutter's names, listed on their own
        {"dir\\~$plan.docx", false, false},         // and the same inside a listed folder
        {"dir\\sub\\report.tmp", false, false},     {"dir\\plan.doc~", false, false},
        {"dir\\.~lock.plan.odt#", false, false},     {"dir\\sub\\.plan.doc.swp", false, false},
        {"dir\\Thumbs.db", true, false},             {"dir\\desktop.ini", false, false},
        {"dir\\$RECYCLE.BIN\\gone.doc", true, false}, {"dir\\plan.doc.~dx", false, false},
    };
    List({"a.txt", "dir", "later\\n.txt", "new dir", "~$listed.docx"});
    for (const Case &c : cases) {
        if (c.beforeStart) {
            ASSERT_TRUE(WriteText(Src(c.write), c.write));
        }
    }
    Child notifier;
    Start(notifier);
    for (const Case &c : cases) {
        if (!c.beforeStart) {
            ASSERT_TRUE(WriteText(Src(c.write), c.write));
        }
    }
    for (const Case &c : cases) {
        if (c.copied) {
            EXPECT_TRUE(Becomes(Copy(c.write), c.write)) << c.write;
        }
    }
    // A move inside the tree is copied under its new name; the old copies stay.
    ASSERT_TRUE(MoveFileA(Src("dir\\x.txt").c_str(), Src("dir\\sub\\moved.txt").c_str()));
    EXPECT_TRUE(Becomes(Copy("dir\\sub\\moved.txt"), "dir\\x.txt"));
    EXPECT_EQ(ReadText(Copy("dir\\x.txt")), "dir\\x.txt");
    // Checked once all the others are copied: by then these would be too.
    for (const Case &c : cases) {
        if (!c.copied) {
            EXPECT_FALSE(PathExists(Copy(c.write))) << c.write;
        }
    }
}

TEST_F(Backup, ABackupPathInsideAListedFolderIsNeverCopiedIntoItself)
{
    bak_ = Src("work\\backup");
    List({"work"});
    ASSERT_TRUE(WriteText(Src("work\\plan.doc"), "plan"));
    Child notifier;
    Start(notifier);
    ASSERT_TRUE(Becomes(Copy("work\\plan.doc"), "plan"));
    ASSERT_TRUE(WriteText(Src("work\\sub\\later.doc"), "later"));
    ASSERT_TRUE(Becomes(Copy("work\\sub\\later.doc"), "later"));
    // The copies, the log and the ring slots all lie below the backup path.
    EXPECT_FALSE(PathExists(Copy("work\\backup\\Duplix.log")));
    EXPECT_FALSE(PathExists(Copy(Copy("work\\plan.doc").substr(src_.size() + 1))));
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

// The number of names the file at path has (1 for a plain file).
DWORD CountNames(const std::string &path)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, 0, NULL);
    GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return info.nNumberOfLinks;
}

TEST_F(Backup, TheRingSlotsOfOneVersionAreNamesOfOneFileAndTheNewestCopyHasItsOwn)
{
    List({"plan.doc"});
    ASSERT_TRUE(WriteText(Src("plan.doc"), "one version"));
    std::string probe = bak_ + "\\probe", link = bak_ + "\\probe link";
    ASSERT_TRUE(WriteText(probe, "p"));
    if (!CreateHardLinkA(link.c_str(), probe.c_str(), NULL))
        GTEST_SKIP() << "the backup folder's file system makes no hard links here";
    Child notifier;
    Start(notifier);
    ASSERT_TRUE(Becomes(Copy("plan.doc"), "one version"));
    EXPECT_TRUE(PumpUntil([&] {
        for (int n = 0; n < 60; n++)
            if (CountNames(Copy("plan.doc", std::string("a Last Hour - One per Minute\\") + char('0' + n / 10) +
                                                char('0' + n % 10))) == 3)
                return true;
        return false;
    })) << "a minute, an hour and a day slot";
    EXPECT_EQ(CountNames(Copy("plan.doc")), 1u);
}

TEST_F(Backup, ANewestCopyHeldOpenNeverKeepsANewVersionFromBeingSaved)
{
    List({"plan.doc"});
    ASSERT_TRUE(WriteText(Src("plan.doc"), "v1"));
    Child notifier;
    Start(notifier);
    ASSERT_TRUE(Becomes(Copy("plan.doc"), "v1"));
    // A viewer on the newest copy, sharing nothing but reading.
    HANDLE viewer = CreateFileA(Copy("plan.doc").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    for (const char *version : {"v2 is longer", "v3 is longer still"}) {
        ASSERT_TRUE(PumpUntil([&] { return WriteText(Src("plan.doc"), version); }));
        // Where the copies window lists it: the newest copy, or beside it.
        EXPECT_TRUE(PumpUntil([&] {
            return ReadText(Copy("plan.doc")) == version || ReadText(Copy("plan.doc") + ".~dxnew") == version;
        })) << version;
    }
    char held[32] = "";
    DWORD got = 0;
    ReadFile(viewer, held, sizeof(held) - 1, &got, NULL);
    EXPECT_EQ(std::string(held, got), "v1") << "nothing saved is changed through another name";
    CloseHandle(viewer);
    EXPECT_TRUE(Becomes(Copy("plan.doc"), "v3 is longer still")) << "it catches up once let go";
    EXPECT_TRUE(PumpUntil([&] { return !PathExists(Copy("plan.doc") + ".~dxnew"); }));
}

}  // namespace

namespace {

ULONGLONG Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((ULONGLONG)now.dwHighDateTime << 32) | now.dwLowDateTime;
}

const ULONGLONG SECOND = 10000000;

bool SetWriteTime(const std::string &path, ULONGLONG when)
{
    FILETIME time = {(DWORD)when, (DWORD)(when >> 32)};
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_EXISTING, 0, NULL);
    BOOL ok = h != INVALID_HANDLE_VALUE && SetFileTime(h, NULL, NULL, &time);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    return ok != FALSE;
}

struct HeldSave {
    const char *name;
    const char *listed;  // the list entry
    const char *file;    // the file saved twice, below it or itself
};

class SecondSave : public BackupTest, public ::testing::WithParamInterface<HeldSave> {};

// Two saves of one size and one time, as on a disk whose times tick in steps;
// the second's copy fails while a viewer holds the newest copy, for longer
// than the span in which such a save is copied whatever its size and time.
TEST_P(SecondSave, OfTheSameSizeAndTimeIsCopiedOnceAHeldCopyIsLetGo)
{
    const std::string file = GetParam().file;
    List({GetParam().listed});
    // Ahead of now, so that the second save is reported within that span of
    // the time both carry, however slowly the notifier starts.
    const ULONGLONG stamp = Now() + 12 * SECOND;
    ASSERT_TRUE(WriteText(Src(file), "first") && SetWriteTime(Src(file), stamp));
    Child notifier;
    Start(notifier);
    ASSERT_TRUE(Becomes(Copy(file), "first"));
    HANDLE viewer = CreateFileA(Copy(file).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(WriteText(Src(file), "again") && SetWriteTime(Src(file), stamp));
    ASSERT_LT(Now(), stamp) << "the saves' time must still lie ahead";
    EXPECT_TRUE(Becomes(Copy(file) + ".~dxnew", "again")) << "it waits beside the held copy";
    // Held until the saves' time lies well in the past: a retry judged by
    // its own moment would take the held copy of the first for the second.
    EXPECT_TRUE(PumpUntil([&] { return Now() > stamp + 5 * SECOND; }, 30000));
    CloseHandle(viewer);
    EXPECT_TRUE(Becomes(Copy(file), "again"));
}

INSTANTIATE_TEST_SUITE_P(Backup, SecondSave,
                         ::testing::Values(HeldSave{"ListedFile", "plan.doc", "plan.doc"},
                                           HeldSave{"FileInAListedFolder", "docs", "docs\\plan.doc"}),
                         [](const ::testing::TestParamInfo<HeldSave> &info) { return std::string(info.param.name); });

}  // namespace
