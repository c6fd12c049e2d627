// The notifier's rules with time as a parameter: ring slots, their span and
// reuse, where a source's copy goes, and a copy cut short by the stop event.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"
#include "notifier/copy/copy_internal.h"

#include "support/files.h"
#include "support/wait.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

namespace {

const ULONGLONG SECOND = 10000000ULL;
const ULONGLONG MINUTE = 60 * SECOND;
const ULONGLONG HOUR = 60 * MINUTE;
const ULONGLONG DAY = 24 * HOUR;

FILETIME Later(const FILETIME &t, ULONGLONG ticks)
{
    ULONGLONG v = ((ULONGLONG)t.dwHighDateTime << 32 | t.dwLowDateTime) + ticks;
    return FILETIME{(DWORD)v, (DWORD)(v >> 32)};
}

FILETIME FromLocal(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME local = {year, month, 0, day, hour, minute, 30, 0};
    FILETIME localTime, utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    return utc;
}

std::string Slot(int ring, const FILETIME &at)
{
    char out[LONG_PATH] = "";
    EXPECT_TRUE(GetSlotFolder("B:\\bak", ring, &at, out, sizeof(out)));
    return out;
}

TEST(Rings, SlotNamesAreTheMinuteHourAndDayOfTheLocalTime)
{
    FILETIME t = FromLocal(2026, 3, 7, 14, 5), end = FromLocal(2026, 1, 31, 0, 0);
    EXPECT_EQ(Slot(RING_MINUTE, t), "B:\\bak\\a Last Hour - One per Minute\\05");
    EXPECT_EQ(Slot(RING_HOUR, t), "B:\\bak\\b Last Day - One per Hour\\14");
    EXPECT_EQ(Slot(RING_DAY, t), "B:\\bak\\c Last Month - One per Day\\07");
    EXPECT_EQ(Slot(RING_MINUTE, end) + Slot(RING_HOUR, end) + Slot(RING_DAY, end),
              "B:\\bak\\a Last Hour - One per Minute\\00B:\\bak\\b Last Day - One per Hour\\00"
              "B:\\bak\\c Last Month - One per Day\\31");
}

TEST(Rings, ASlotIsFromAnEarlierRoundOnceItsMinuteHourOrDayHasPassed)
{
    FILETIME slot = FromLocal(2026, 3, 7, 14, 5);
    // over: the slot's number may have come round again (a day's after 28 days).
    struct Case {
        int ring;
        ULONGLONG after;
        bool earlier, expired, over;
    } cases[] = {
        {RING_MINUTE, 20 * SECOND, false, false, false}, {RING_MINUTE, 40 * SECOND, true, false, false},
        {RING_MINUTE, HOUR - SECOND, true, false, true}, {RING_MINUTE, HOUR, true, true, true},
        {RING_HOUR, 50 * MINUTE, false, false, false},   {RING_HOUR, 60 * MINUTE, true, false, false},
        {RING_HOUR, DAY, true, true, true},             {RING_DAY, 9 * HOUR, false, false, false},
        {RING_DAY, 10 * HOUR, true, false, false},       {RING_DAY, 27 * DAY, true, false, false},
        {RING_DAY, 28 * DAY, true, false, true},         {RING_DAY, 31 * DAY - SECOND, true, false, true},
        {RING_DAY, 31 * DAY, true, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "ring " << c.ring << ", seconds later " << c.after / SECOND);
        FILETIME now = Later(slot, c.after);
        SlotRound round;
        GetRoundOf(c.ring, &slot, &round);
        EXPECT_EQ(IsSlotFromEarlierRound(c.ring, &round, &now) != 0, c.earlier);
        EXPECT_EQ(IsSlotExpired(c.ring, &round, &now) != 0, c.expired);
        EXPECT_EQ(IsRoundOver(c.ring, &slot, &now) != 0, c.over);
    }
}

TEST(BackupPaths, EntriesAmongTheCopiesAreRefusedAndOthersOnTheBackupDriveAreNot)
{
    EXPECT_TRUE(IsInsideCopies("D:\\bak\\C\\Work\\plan.doc", "D:\\bak"));
    EXPECT_TRUE(IsInsideCopies("d:\\BAK\\unc\\srv", "D:\\bak"));
    EXPECT_TRUE(IsInsideCopies("D:\\bak\\b Last Day - One per Hour", "D:\\bak"));
    EXPECT_TRUE(IsInsideCopies("D:\\D\\x.doc", "D:\\"));
    EXPECT_FALSE(IsInsideCopies("D:\\Work\\x.doc", "D:\\"));
    EXPECT_FALSE(IsInsideCopies("D:\\bak\\notes.txt", "D:\\bak"));
    EXPECT_FALSE(IsInsideCopies("D:\\bakery\\C\\x", "D:\\bak"));
}

class Scratch : public testing::Test {
protected:
    void SetUp() override { root_ = backup_ = MakeScratchFolder("duplix-rules"); }
    void TearDown() override { RemoveFolderTree(root_); }

    // Makes the slot of each ring for now, with a copy in it.
    void FillSlots(const FILETIME &now)
    {
        for (int ring = 0; ring < RING_COUNT; ring++) {
            char slot[LONG_PATH];
            ASSERT_TRUE(PrepareSlot(backup_.c_str(), ring, &now, slot, sizeof(slot)));
            slots_[ring] = slot;
            ASSERT_TRUE(WriteText(slots_[ring] + "\\C\\f.txt", "copy"));
        }
    }
    std::string root_, backup_;
    std::string slots_[RING_COUNT];
};
using RingFolders = Scratch;
using Copying = Scratch;

TEST_F(RingFolders, PruningRemovesEachSlotOnlyOnceOlderThanItsRingsSpan)
{
    struct Case {
        ULONGLONG after;
        bool minute, hour, day;  // which slots are still there
    } cases[] = {{59 * MINUTE, true, true, true},
                 {61 * MINUTE, false, true, true},
                 {25 * HOUR, false, false, true},
                 {32 * DAY, false, false, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "minutes later " << c.after / MINUTE);
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        FillSlots(now);
        FILETIME later = Later(now, c.after);
        PruneRings(backup_.c_str(), &later);
        EXPECT_EQ(PathExists(slots_[RING_MINUTE]), c.minute);
        EXPECT_EQ(PathExists(slots_[RING_HOUR]), c.hour);
        EXPECT_EQ(PathExists(slots_[RING_DAY]), c.day);
        // A removed slot's names go on their own thread, and do go.
        for (const std::string &slot : slots_)
            EXPECT_TRUE(PumpUntil([&] { return !PathExists(slot + TEMP_SUFFIX); })) << slot;
    }
}

TEST_F(RingFolders, PruningRemovesALinkInASlotButNotWhatItPointsTo)
{
    typedef BOOLEAN(WINAPI * LinkCall)(LPCSTR, LPCSTR, DWORD);
    LinkCall makeLink = (LinkCall)(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA");
    std::string outside = root_ + "\\outside";
    ASSERT_TRUE(WriteText(outside + "\\keep.txt", "not a copy"));
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    FillSlots(now);
    // One link as the slot itself, one inside a slot.
    std::string inSlot = slots_[RING_HOUR] + "\\C\\link";
    RemoveFolderTree(slots_[RING_MINUTE]);
    // Wine's CreateSymbolicLinkA answers yes and makes nothing.
    if (makeLink == NULL || !makeLink(slots_[RING_MINUTE].c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !makeLink(inSlot.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        ReadText(inSlot + "\\keep.txt") != "not a copy")
        GTEST_SKIP() << "this system makes no folder links that lead out";
    FILETIME later = Later(now, 2 * DAY);
    PruneRings(backup_.c_str(), &later);
    EXPECT_FALSE(PathExists(slots_[RING_MINUTE]));
    EXPECT_FALSE(PathExists(slots_[RING_HOUR]));
    EXPECT_EQ(ReadText(outside + "\\keep.txt"), "not a copy");
}

TEST_F(RingFolders, ASlotReusedInALaterRoundStartsEmptyAndInTheSameRoundKeepsItsCopies)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    FillSlots(now);
    WIN32_FIND_DATAA info;
    ASSERT_TRUE(GetPathInfo(slots_[RING_MINUTE].c_str(), &info));
    char slot[LONG_PATH];
    // The slot's own time is inside its round, whatever the clock says now.
    ASSERT_TRUE(PrepareSlot(backup_.c_str(), RING_MINUTE, &info.ftLastWriteTime, slot, sizeof(slot)));
    EXPECT_EQ(ReadText(slots_[RING_MINUTE] + "\\C\\f.txt"), "copy");
    FILETIME nextHour = Later(info.ftLastWriteTime, HOUR);
    ASSERT_TRUE(PrepareSlot(backup_.c_str(), RING_MINUTE, &nextHour, slot, sizeof(slot)));
    EXPECT_EQ(std::string(slot), slots_[RING_MINUTE]) << "the same minute an hour later";
    EXPECT_TRUE(PathExists(slot));
    EXPECT_FALSE(PathExists(slots_[RING_MINUTE] + "\\C\\f.txt"));
}

// Sets a folder's last write time, as a backup disk or server with another
// clock would.
void SetFolderTime(const std::string &folder, const FILETIME &time)
{
    HANDLE h = CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, NULL, NULL, &time);
    CloseHandle(h);
}

TEST_F(RingFolders, ASlotWhoseFolderTimeIsOffOrASourceDatedAheadNeverLosesACopyWithinItsSpan)
{
    struct Case {
        const char *what;
        LONGLONG folderOff;  // the slot folder's time against the PC's clock
        LONGLONG sourceOff;  // the time of the file backed up next
    } cases[] = {
        {"a share's clock ten minutes behind", -10 * (LONGLONG)MINUTE, 0},
        {"a share's clock ten minutes ahead", 10 * (LONGLONG)MINUTE, 0},
        {"a share's clock a day behind", -(LONGLONG)DAY, 0},
        {"a source dated an hour ahead", 0, (LONGLONG)HOUR},
        {"a source dated a day ahead", 0, (LONGLONG)DAY},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        FillSlots(now);
        for (int ring = 0; ring < RING_COUNT; ring++)
            SetFolderTime(slots_[ring], Later(now, c.folderOff));
        std::string source = root_ + "\\next.txt";
        ASSERT_TRUE(WriteText(source, "next"));
        HANDLE h = CreateFileA(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
        FILETIME dated = Later(now, c.sourceOff);
        SetFileTime(h, NULL, NULL, &dated);
        CloseHandle(h);
        EXPECT_EQ(BackUpFile(backup_.c_str(), source.c_str(), NULL, &now), COPY_DONE);
        // Slot copies owed, as after a failed try: they go where the file's
        // own time says, never later than now.
        for (int ring = 0; ring < RING_COUNT; ring++)
            DeleteFileA((slots_[ring] + source.substr(2).insert(0, "\\C")).c_str());
        EXPECT_EQ(BackUpFile(backup_.c_str(), source.c_str(), NULL, &now), COPY_DONE);
        FILETIME prune = Later(now, 5 * SECOND);
        EXPECT_TRUE(PruneRings(backup_.c_str(), &prune));
        for (int ring = 0; ring < RING_COUNT; ring++) {
            EXPECT_EQ(ReadText(slots_[ring] + "\\C\\f.txt"), "copy") << "ring " << ring;
            EXPECT_EQ(ReadText(slots_[ring] + source.substr(2).insert(0, "\\C")), "next") << "ring " << ring;
        }
        RemoveFolderTree(backup_ + "\\a Last Hour - One per Minute");
        RemoveFolderTree(backup_ + "\\b Last Day - One per Hour");
        RemoveFolderTree(backup_ + "\\c Last Month - One per Day");
    }
}

TEST_F(RingFolders, PruningASlotRemovesItsNameNeverTheDataTheNewestCopyStillHolds)
{
    std::string source = root_ + "\\kept.txt", newest = root_ + "\\C" + source.substr(2);
    ASSERT_TRUE(WriteText(source, "kept"));
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ASSERT_EQ(BackUpFile(backup_.c_str(), source.c_str(), NULL, &now), COPY_DONE);
    FILETIME later = Later(now, 2 * HOUR);
    EXPECT_TRUE(PruneRings(backup_.c_str(), &later));
    char minute[LONG_PATH];
    ASSERT_TRUE(GetSlotFolder(backup_.c_str(), RING_MINUTE, &now, minute, sizeof(minute)));
    EXPECT_FALSE(PathExists(minute + ("\\C" + source.substr(2))));
    EXPECT_EQ(ReadText(newest), "kept");
}

TEST(BackupPaths, ASourceMapsToItsDriveLetterOrUncFolderAndOddTextIsRefused)
{
    struct Case {
        const char *entry;
        const char *copy;  // NULL: refused
    } cases[] = {
        {"C:\\Work\\plan.doc", "D:\\bak\\C\\Work\\plan.doc"},
        {"c:\\Work\\", "D:\\bak\\C\\Work"},
        {"C:\\Work\\old\\..\\..\\plan.doc", "D:\\bak\\C\\plan.doc"},
        {"\\\\srv\\share\\x", "D:\\bak\\UNC\\srv\\share\\x"},
        {"C:\\", "D:\\bak\\C"},
        {"\xE9:\\Work\\plan.doc", NULL},  // a letter of the code page is no drive
        {"plan.doc", NULL},
        {"\\Work\\plan.doc", NULL},
        {"\\\\?\\C:\\plan.doc", NULL},
        {"\\\\.\\PhysicalDrive0", NULL},
        {"C:\\Work\\plan.doc:hidden", NULL},  // a stream of the file
        {"C:\\Work\\plan.doc::$DATA", NULL},
        {"", NULL},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.entry);
        char full[MAX_PATH], copy[LONG_PATH] = "";
        int ok = NormalizeSourcePath(c.entry, full) && MapToBackup("D:\\bak", full, copy, sizeof(copy));
        EXPECT_EQ(ok != 0, c.copy != NULL);
        if (c.copy != NULL) {
            EXPECT_EQ(std::string(copy), c.copy);
        }
    }
}

TEST_F(Copying, AStopMidCopyLeavesTheOldCopyAndNoTemporaryFile)
{
    std::string source = root_ + "\\big.bin", target = root_ + "\\bak\\big.bin";
    ASSERT_TRUE(WriteText(source, std::string(1 << 20, 'n')));
    ASSERT_TRUE(WriteText(target, "old copy"));
    EXPECT_EQ(CopyThroughTemp(source.c_str(), target.c_str(), PLACE_RENAME, [] { return 1; }), COPY_STOPPED);
    EXPECT_EQ(ReadText(target), "old copy");
    EXPECT_FALSE(PathExists(target + ".~dx"));
    EXPECT_EQ(CopyThroughTemp(source.c_str(), target.c_str(), PLACE_RENAME, NULL), COPY_DONE);
    EXPECT_EQ(ReadText(target).size(), 1u << 20);
}

TEST_F(Copying, ASourceOfTheLongestListablePathIsCopiedIntoASlotPastMaxPath)
{
    // A path of 259 characters: folders of 200, then the file's name.
    std::string folder = root_ + "\\" + std::string(100, 'd') + "\\" + std::string(198 - root_.size() - 100, 'e');
    std::string source = folder + "\\" + std::string(259 - folder.size() - 1, 'f');
    ASSERT_EQ(SHCreateDirectoryExA(NULL, folder.c_str(), NULL), ERROR_SUCCESS);
    ASSERT_TRUE(WriteText(source, "long"));
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    char slot[LONG_PATH], copy[LONG_PATH];
    std::string backup = root_ + "\\backup";
    ASSERT_TRUE(PrepareSlot(backup.c_str(), RING_MINUTE, &now, slot, sizeof(slot)));
    ASSERT_TRUE(MapToBackup(slot, source.c_str(), copy, sizeof(copy)));
    ASSERT_GT(strlen(copy), (size_t)MAX_PATH);
    EXPECT_EQ(CopyThroughTemp(source.c_str(), copy, PLACE_RENAME, NULL), COPY_DONE);
    WIN32_FIND_DATAA info;
    ASSERT_TRUE(GetPathInfo(copy, &info));
    EXPECT_EQ(info.nFileSizeLow, 4u);
    RemoveTree(backup.c_str(), NULL);
    EXPECT_FALSE(PathExists(backup));
}

}  // namespace
