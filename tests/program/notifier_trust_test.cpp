// The real dxnotify.exe where backups are usually lost unseen: one notifier
// at a time, a file that never opens, and the log that tells the user what
// could not be backed up. (Wine refuses to rename or remove a folder that
// someone watches, error 32, so a folder made again cannot be staged here.)
#include "backup_fixture.h"

namespace {

using Trust = BackupTest;

HANDLE HoldExclusively(const std::string &path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
}

TEST_F(Trust, TwoHandStartedNotifiersLeaveTheNewerAndOneStopLeavesNone)
{
    List({"a.txt"});
    Child older, newer;
    Start(older);
    ASSERT_TRUE(newer.Start(notifier_));
    EXPECT_TRUE(older.WaitEnd(WAIT_BOUND_MS)) << "the newer one tells the older to end";
    EXPECT_EQ(older.ExitCode(), 0u);
    ASSERT_TRUE(WriteText(Src("a.txt"), "taken over"));
    EXPECT_TRUE(Becomes(Copy("a.txt"), "taken over")) << "and works in its place";
    Signal();
    EXPECT_TRUE(newer.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(CountProcessesNamed("dxnotify.exe"), 0);
}

TEST_F(Trust, ANotifierStartedWhileTheListIsEmptyEndsAtOnce)
{
    PutString("BackupPath", bak_);
    Child notifier;
    ASSERT_TRUE(notifier.Start(notifier_));
    ASSERT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(notifier.ExitCode(), 0u);
    EXPECT_FALSE(PathExists(bak_)) << "it did not even make the backup folder";
}

TEST_F(Trust, AnAlwaysLockedFileInAFolderOfAThousandCostsLittleAndDelaysNoOther)
{
    // Backed up long ago: the start finds every newest copy current and no
    // ring slot owed.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG then = ((ULONGLONG)now.dwHighDateTime << 32 | now.dwLowDateTime) - 40 * 24 * 3600 * 10000000ULL;
    FILETIME old = {(DWORD)then, (DWORD)(then >> 32)};
    for (int i = 0; i < 1000; i++) {
        std::string name = "mail\\file " + std::to_string(i) + ".txt";
        ASSERT_TRUE(WriteText(Src(name), "x"));
        HANDLE file = CreateFileA(Src(name).c_str(), FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
        SetFileTime(file, NULL, NULL, &old);
        CloseHandle(file);
        ASSERT_TRUE(WriteText(Copy(name), ""));
        ASSERT_TRUE(CopyFileA(Src(name).c_str(), Copy(name).c_str(), FALSE));
    }
    HANDLE store = HoldExclusively(Src("mail\\store.pst"));
    ASSERT_NE(store, INVALID_HANDLE_VALUE);
    List({"mail"});
    Child notifier;
    Start(notifier);
    ASSERT_TRUE(WriteText(Src("mail\\other.txt"), "not held up"));
    EXPECT_TRUE(Becomes(Copy("mail\\other.txt"), "not held up"));
    // Once the walk that copied it is over (a second without 5 ms of CPU),
    // ten seconds of the locked file's back-off.
    double last = CpuTimeMs(notifier.Pid());
    ASSERT_TRUE(PumpUntil([&] {
        PumpUntil([] { return false; }, 1000);
        double now = CpuTimeMs(notifier.Pid()), used = now - last;
        last = now;
        return used < 5.0;
    }, 60000));
    double before = CpuTimeMs(notifier.Pid());
    DWORD start = GetTickCount();
    PumpUntil([] { return false; }, 10000);
    double perMinute = (CpuTimeMs(notifier.Pid()) - before) * 60000.0 / (GetTickCount() - start);
    EXPECT_LT(perMinute, 100.0) << "ms of CPU per minute";
    CloseHandle(store);
}

TEST_F(Trust, FilesWhoseNamesTheCodePageCannotHoldAreBackedUpUnderTheirOwnNames)
{
    struct Case {
        const wchar_t *name;
    } cases[] = {{L"\x0444\x0430\x0439\x043B.txt"}, {L"\x03A9mega \x65E5\x672C.doc"}, {L"plain.txt"},
                 // Only look-alikes in the code page: "Lodz.xls", and a full-width
                 // backslash and colon that a look-alike makes a folder or a stream.
                 {L"\x0141\x00F3d\x017A.xls"}, {L"a\xFF3C" L"b.txt"}, {L"x\xFF1Ay.txt"}};
    CreateDirectoryA(Src("names").c_str(), NULL);
    List({"names"});
    Child notifier;
    Start(notifier);
    for (const Case &c : cases) {
        ASSERT_TRUE(WriteWideText(Widen(Src("names")) + L"\\" + c.name, "abc"));
    }
    for (const Case &c : cases) {
        std::wstring copy = Widen(Copy("names")) + L"\\" + c.name;
        EXPECT_TRUE(PumpUntil([&] { return GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES; }))
            << "the copy of case " << (&c - cases);
    }
    for (const char *lookAlike : {"names\\Lodz.xls", "names\\a", "names\\x"})
        EXPECT_FALSE(PathExists(Copy(lookAlike))) << lookAlike;
}

TEST_F(Trust, TheLogNamesEachFileThatCannotBeBackedUpOnceAndItsRecovery)
{
    List({"missing.txt", "locked.txt"});
    HANDLE locked = HoldExclusively(Src("locked.txt"));
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    Child notifier;
    Start(notifier);
    std::string log = bak_ + "\\Duplix.log";
    auto has = [&](const std::string &text) { return ReadText(log).find(text) != std::string::npos; };
    struct Case {
        std::string line;
        std::function<void()> then;  // what ends the trouble
    } cases[] = {
        {"Cannot back up " + Src("missing.txt") + ": missing.", [&] { WriteText(Src("missing.txt"), "m"); }},
        {"Cannot back up " + Src("locked.txt") + ": in use.", [&] { CloseHandle(locked); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_TRUE(PumpUntil([&] { return has(c.line); }));
        c.then();
    }
    EXPECT_TRUE(PumpUntil([&] { return has("Backed up " + Src("missing.txt") + " again."); }));
    EXPECT_TRUE(PumpUntil([&] { return has("Backed up " + Src("locked.txt") + " again."); }));
    std::string text = ReadText(log);
    EXPECT_EQ(text.find("Cannot back up " + Src("locked.txt")), text.rfind("Cannot back up " + Src("locked.txt")))
        << "one line per streak";
    // Every line starts with the local time: "2026-12-07 14:03:12 ".
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        ASSERT_GT(text.size(), at + 20);
        EXPECT_TRUE(text[at + 4] == '-' && text[at + 10] == ' ' && text[at + 13] == ':' && text[at + 19] == ' ')
            << text.substr(at, 30);
    }
    EXPECT_EQ(text.find("Started: 2 entries, 2 files watched."), 20u) << "the first line, before the troubles";
}

// A file deeper than any path the notifier carries is a trouble with its
// reason, never passed over in silence.
TEST_F(Trust, AFileWhosePathIsTooLongToCarryIsNamedInTheLog)
{
    std::string deep = Src("deep");
    std::wstring folder = L"\\\\?\\" + std::wstring(deep.begin(), deep.end());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), NULL));
    for (wchar_t letter = L'a'; letter < L'e'; letter++) {
        folder += L"\\" + std::wstring(200, letter);
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), NULL));
    }
    CloseHandle(CreateFileW((folder + L"\\" + std::wstring(200, L'f')).c_str(), GENERIC_WRITE, 0, NULL,
                            CREATE_ALWAYS, 0, NULL));
    List({"deep"});
    Child notifier;
    Start(notifier);
    // Named as far as it fits, cut at its start so that the reason stays.
    std::string log = bak_ + "\\Duplix.log", line = "\\" + std::string(100, 'f');
    EXPECT_TRUE(PumpUntil([&] { return ReadText(log).find(": path too long.") != std::string::npos; }))
        << ReadText(log);
    EXPECT_NE(ReadText(log).find(line), std::string::npos);
    EXPECT_NE(ReadText(log).find("Started: 1 entries, 1 files watched."), std::string::npos);
}

TEST_F(Trust, AFullLogBecomesTheOldOneAndANewOneStarts)
{
    List({"a.txt"});
    std::string full(64 * 1024 - 10, 'x');
    ASSERT_TRUE(WriteText(bak_ + "\\Duplix.log", full));
    Child notifier;
    Start(notifier);
    EXPECT_TRUE(PumpUntil([&] { return ReadText(bak_ + "\\Duplix.log.old") == full; }));
    EXPECT_TRUE(PumpUntil([&] { return ReadText(bak_ + "\\Duplix.log").find("Started: 1 entries") != std::string::npos; }));
}

TEST_F(Trust, ALogHeldOpenGrowsPastItsLimitAndKeepsTheOldGenerationUntilItCanBeRenamed)
{
    List({"a.txt"});
    std::string log = bak_ + "\\Duplix.log", old = log + ".old", full(64 * 1024 - 10, 'x');
    ASSERT_TRUE(WriteText(log, full));
    ASSERT_TRUE(WriteText(old, "the generation before"));
    // A viewer that follows the log: it may be written, not renamed.
    HANDLE viewer = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                                NULL);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    Child notifier;
    Start(notifier);
    EXPECT_TRUE(PumpUntil([&] { return ReadText(log).find("Started: 1 entries") != std::string::npos; }));
    EXPECT_GT(ReadText(log).size(), 64u * 1024) << "past its limit while held";
    EXPECT_EQ(ReadText(old), "the generation before");
    CloseHandle(viewer);
    Signal();
    ASSERT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(ReadText(old).substr(0, full.size()), full) << "the held log became the old one whole";
    EXPECT_NE(ReadText(old).find("Started: 1 entries"), std::string::npos);
    EXPECT_NE(ReadText(log).find("Stopped."), std::string::npos);
}

TEST_F(Trust, ALateTakeoverSignalFromAnOlderNotifierLeavesTheNewestRunning)
{
    List({"a.txt"});
    Child notifier;
    Start(notifier);
    // As an older notifier that signals only after the newest took its turn.
    HANDLE takeover = OpenEventA(EVENT_MODIFY_STATE, FALSE, "myVELTDuplixEventTakeOver");
    ASSERT_NE(takeover, (HANDLE)NULL);
    SetEvent(takeover);
    CloseHandle(takeover);
    ASSERT_TRUE(WriteText(Src("a.txt"), "still backed up"));
    EXPECT_TRUE(Becomes(Copy("a.txt"), "still backed up"));
    EXPECT_TRUE(notifier.Running());
}

TEST_F(Trust, ALongCopyEndsWithinASecondOfAStopOrOfANewerNotifiersTakeover)
{
    HANDLE big = CreateFileA(Src("big.bin").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    std::string chunk(1 << 20, 'b');
    DWORD written = 0;
    for (int i = 0; i < 256; i++)
        ASSERT_TRUE(WriteFile(big, chunk.data(), (DWORD)chunk.size(), &written, NULL));
    CloseHandle(big);
    for (bool takeover : {false, true}) {
        SCOPED_TRACE(takeover ? "a newer notifier" : "the stop event");
        // A fresh backup each time: a backup folder that vanished is
        // otherwise taken for another disk.
        RemoveFolderTree(bak_);
        CleanProductKey();
        List({"big.bin"});
        Child first, newer;
        Start(first);
        WIN32_FILE_ATTRIBUTE_DATA temp;
        ASSERT_TRUE(PumpUntil([&] {
            return GetFileAttributesExA((Copy("big.bin") + ".~dx").c_str(), GetFileExInfoStandard, &temp) &&
                   temp.nFileSizeLow > 0;
        })) << "the copy is under way";
        DWORD signalled = GetTickCount();
        if (takeover) {
            ASSERT_TRUE(newer.Start(notifier_));
        } else {
            Signal();
        }
        ASSERT_TRUE(first.WaitEnd(WAIT_BOUND_MS));
        EXPECT_LT(GetTickCount() - signalled, 1000u) << "ms from the signal to the end";
        StopNotifiers();
        EXPECT_FALSE(PathExists(Copy("big.bin") + ".~dx")) << "no temporary copy is left";
    }
}

}  // namespace
