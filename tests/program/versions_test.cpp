// The real dxnotify.exe keeps every saved version as it was saved: the
// version a save replaces, a copy written in place, a slot copy lost while
// no notifier ran.
#include "backup_fixture.h"

namespace {

struct Ring {
    const char *folder;
    int first, last;
};

const Ring RINGS[] = {
    {"a Last Hour - One per Minute", 0, 59},
    {"b Last Day - One per Hour", 0, 23},
    {"c Last Month - One per Day", 1, 31},
};

std::string SlotName(const Ring &ring, int n)
{
    return std::string(ring.folder) + "\\" + char('0' + n / 10) + char('0' + n % 10);
}

// Dates a file back by this many seconds from now.
bool DateBack(const std::string &path, ULONGLONG seconds)
{
    FILETIME now, when;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG ticks = ((ULONGLONG)now.dwHighDateTime << 32 | now.dwLowDateTime) - seconds * 10000000;
    when.dwLowDateTime = (DWORD)ticks;
    when.dwHighDateTime = (DWORD)(ticks >> 32);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    bool set = h != INVALID_HANDLE_VALUE && SetFileTime(h, NULL, NULL, &when);
    CloseHandle(h);
    return set;
}

bool MakesLinks(const std::string &folder)
{
    std::string probe = folder + "\\probe", link = folder + "\\probe link";
    bool made = WriteText(probe, "p") && CreateHardLinkA(link.c_str(), probe.c_str(), NULL);
    DeleteFileA(link.c_str());
    DeleteFileA(probe.c_str());
    return made;
}

class VersionsTest : public BackupTest {
protected:
    // The slots of a ring whose copy of name holds text.
    std::vector<std::string> SlotsHolding(const Ring &ring, const std::string &name, const std::string &text) const
    {
        std::vector<std::string> found;
        for (int n = ring.first; n <= ring.last; n++)
            if (ReadText(Copy(name, SlotName(ring, n))) == text)
                found.push_back(Copy(name, SlotName(ring, n)));
        return found;
    }
    bool EveryRingHolds(const std::string &name, const std::string &text) const
    {
        return PumpUntil([&] {
            for (const Ring &ring : RINGS)
                if (SlotsHolding(ring, name, text).empty())
                    return false;
            return true;
        });
    }
};

TEST_F(VersionsTest, AFileLeftAloneForAMonthKeepsItsOldContentInEveryRingWhenSavedOver)
{
    List({"report.doc"});
    ASSERT_TRUE(WriteText(Src("report.doc"), "as of last month"));
    ASSERT_TRUE(WriteText(Copy("report.doc"), "as of last month"));
    ASSERT_TRUE(DateBack(Src("report.doc"), 40 * 24 * 3600));
    ASSERT_TRUE(DateBack(Copy("report.doc"), 40 * 24 * 3600));
    Child notifier;
    Start(notifier);
    ASSERT_TRUE(WriteText(Src("report.doc"), "saved today"));
    ASSERT_TRUE(Becomes(Copy("report.doc"), "saved today"));
    EXPECT_TRUE(EveryRingHolds("report.doc", "as of last month"))
        << "the end of the last minute, hour and day saw the old content";
    EXPECT_TRUE(EveryRingHolds("report.doc", "saved today"));
}

TEST_F(VersionsTest, ANewestCopyWrittenInPlaceLeavesTheSlotsAsSaved)
{
    if (!MakesLinks(root_))
        GTEST_SKIP() << "the backup folder's file system makes no hard links here";
    List({"plan.doc"});
    ASSERT_TRUE(WriteText(Src("plan.doc"), "as saved"));
    Child notifier;
    Start(notifier);
    ASSERT_TRUE(Becomes(Copy("plan.doc"), "as saved"));
    ASSERT_TRUE(EveryRingHolds("plan.doc", "as saved"));
    // A viewer that writes the copy it opened, or is refused.
    HANDLE viewer = CreateFileA(Copy("plan.doc").c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD put = 0;
    if (viewer != INVALID_HANDLE_VALUE) {
        EXPECT_TRUE(WriteFile(viewer, "CHANGED!", 8, &put, NULL));
        CloseHandle(viewer);
    }
    for (const Ring &ring : RINGS) {
        EXPECT_EQ(SlotsHolding(ring, "plan.doc", "CHANGED!").size(), 0u) << ring.folder;
        EXPECT_EQ(SlotsHolding(ring, "plan.doc", "as saved").size(), 1u) << ring.folder;
    }
}

TEST_F(VersionsTest, SlotCopiesOfATreeFileLostWhileNoNotifierRanComeBackAtTheNextStart)
{
    List({"tree"});
    ASSERT_TRUE(WriteText(Src("tree\\notes.txt"), "kept in every ring"));
    // Saved a while ago: a save of the last seconds is copied anew anyway.
    ASSERT_TRUE(DateBack(Src("tree\\notes.txt"), 10));
    {
        Child first;
        Start(first);
        ASSERT_TRUE(EveryRingHolds("tree\\notes.txt", "kept in every ring"));
        Signal();
        ASSERT_TRUE(first.WaitEnd(WAIT_BOUND_MS));
    }
    for (const Ring &ring : RINGS)
        for (const std::string &copy : SlotsHolding(ring, "tree\\notes.txt", "kept in every ring"))
            ASSERT_TRUE(DeleteFileA(copy.c_str())) << copy;
    Child next;
    Start(next);
    EXPECT_TRUE(EveryRingHolds("tree\\notes.txt", "kept in every ring"));
}

}  // namespace
