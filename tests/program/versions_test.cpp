// The real dxnotify.exe keeps every saved version as it was saved: the
// version a save replaces, a copy written in place, a slot copy lost while
// no notifier ran.
#include "backup_fixture.h"

namespace {

const struct Ring {
    const char *folder;
    int first, last;
} RINGS[] = {{"a Last Hour - One per Minute", 0, 59}, {"b Last Day - One per Hour", 0, 23},
             {"c Last Month - One per Day", 1, 31}};

// Dates a file back by this many seconds from now.
bool DateBack(const std::string &path, ULONGLONG seconds)
{
    ULARGE_INTEGER t;
    GetSystemTimeAsFileTime((FILETIME *)&t);
    t.QuadPart -= seconds * 10000000;
    FILETIME when = {t.LowPart, t.HighPart};
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    bool set = h != INVALID_HANDLE_VALUE && SetFileTime(h, NULL, NULL, &when);
    CloseHandle(h);
    return set;
}

class VersionsTest : public BackupTest {
protected:
    // The copies of name in a ring's slots that hold text.
    std::vector<std::string> SlotsHolding(const Ring &ring, const std::string &name, const std::string &text) const
    {
        std::vector<std::string> found;
        for (int n = ring.first; n <= ring.last; n++) {
            std::string copy = Copy(name, std::string(ring.folder) + "\\" + char('0' + n / 10) + char('0' + n % 10));
            if (ReadText(copy) == text)
                found.push_back(copy);
        }
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
    List({"plan.doc"});
    ASSERT_TRUE(WriteText(Src("plan.doc"), "as saved"));
    ASSERT_TRUE(WriteText(bak_ + "\\probe", "p"));
    if (!CreateHardLinkA((bak_ + "\\probe link").c_str(), (bak_ + "\\probe").c_str(), NULL))
        GTEST_SKIP() << "the backup folder's file system makes no hard links here";
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
