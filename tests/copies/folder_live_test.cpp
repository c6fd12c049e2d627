// The folder window over what the real notifier made of a real tree across
// two minutes of the real clock: a file changed, one deleted, one made.
#include "folder_fixture.h"

#include "support/process.h"

namespace {

const char kStopEvent[] = STOP_EVENT_NAME;

bool NotifierHoldsItsEvent()
{
    HANDLE h = OpenEventA(SYNCHRONIZE, FALSE, kStopEvent);
    if (h != NULL)
        CloseHandle(h);
    return h != NULL;
}

int LocalSecond()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    return st.wSecond;
}

// The local minute now, counted from the fixture's own (0 at its start).
class LiveFolder : public FolderTest {
protected:
    bool LaysTree() const override { return false; }
    int MinuteNow() const
    {
        FILETIME now, local;
        GetSystemTimeAsFileTime(&now);
        FileTimeToLocalFileTime(&now, &local);
        return (int)((Ticks(local) - minute_) / kMinute);
    }
    std::string Source(const std::string &name) const { return folder_ + "\\" + name; }
    std::string Newest(const std::string &name) const { return backup_ + "\\" + Mapped(name); }
    // Name and "Now" of each row, the times left to the laid-out tests.
    std::vector<std::string> NamesAndStates() const
    {
        std::vector<std::string> rows;
        for (const std::string &row : FolderRows())
            rows.push_back(row.substr(0, row.find(" | ")) + " | " + row.substr(row.rfind(" | ") + 3));
        return rows;
    }
    Child notifier_;
};

TEST_F(LiveFolder, TheNotifiersCopiesShowEachMinuteWithTheDeletedAndTheNewFiles)
{
    // Both minutes' work must fall inside its minute: start early in one.
    ASSERT_TRUE(PumpUntil([] { return LocalSecond() < 40; }, 30000));
    int first = MinuteNow();
    CreateDirectoryA(folder_.c_str(), NULL);
    CreateDirectoryA(Source("sub").c_str(), NULL);
    for (const char *name : {"plan.txt", "gone.txt", "sub\\keep.txt"})
        ASSERT_TRUE(WriteText(Source(name), std::string("first ") + name));
    ASSERT_TRUE(notifier_.Start(BinPath(NOTIFIER_FILE)));
    ASSERT_TRUE(PumpUntil(NotifierHoldsItsEvent));
    ASSERT_TRUE(PumpUntil([&] {
        return ReadText(Newest("plan.txt")) == "first plan.txt" && PathExists(Newest("gone.txt")) &&
               PathExists(Newest("sub\\keep.txt"));
    }));
    ASSERT_EQ(MinuteNow(), first) << "the machine was too slow to copy within a minute";

    // A second into the next minute: the file system's clock is coarser than
    // the system's, and a save at the very turn may carry the minute before.
    ASSERT_TRUE(PumpUntil([&] { return MinuteNow() > first && LocalSecond() >= 1; }, 70000));
    FILETIME before;
    GetSystemTimeAsFileTime(&before);
    ASSERT_TRUE(WriteText(Source("plan.txt"), "second plan"));
    ASSERT_TRUE(DeleteFileA(Source("gone.txt").c_str()));
    ASSERT_TRUE(WriteText(Source("new.txt"), "new"));
    FILETIME deleted = {};
    ASSERT_TRUE(PumpUntil([&] {
        return ReadText(Newest("plan.txt")) == "second plan" && ReadText(Newest("new.txt")) == "new" &&
               FindLastDeletion(backup_.c_str(), Source("gone.txt").c_str(), &deleted);
    }));
    EXPECT_GE(CompareFileTime(&deleted, &before), 0) << "deleted at the moment it was reported";
    HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, kStopEvent);
    ASSERT_NE(stop, (HANDLE)NULL);
    SetEvent(stop);
    CloseHandle(stop);
    ASSERT_TRUE(notifier_.WaitEnd(WAIT_BOUND_MS));

    OpenFolder();
    std::vector<std::string> moments = Moments();
    ASSERT_NE(std::find(moments.begin(), moments.end(), Label(first)), moments.end()) << Label(first);
    const struct {
        bool atFirst, all;
        std::vector<std::string> rows;
    } cases[] = {
        {false, false, {"gone.txt | deleted"}},
        {false, true, {"gone.txt | deleted", "new.txt | same", "plan.txt | same", "sub\\keep.txt | same"}},
        {true, true, {"gone.txt | deleted", "plan.txt | changed", "sub\\keep.txt | same"}},
        {true, false, {"gone.txt | deleted", "plan.txt | changed"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.atFirst ? Label(first) : "Now") + (c.all ? ", all" : ", changed only"));
        ChooseMoment(c.atFirst ? Label(first) : "Now");
        ShowAll(c.all);
        EXPECT_EQ(NamesAndStates(), c.rows);
    }
}

}  // namespace
