// The real dxnotify.exe with its backup path on a drive letter that the test
// takes away and gives back (a link in the prefix's dosdevices): one state
// told once, the changes made meanwhile copied when it is back, and another
// disk at the letter left alone until OK in the settings confirms it.
#include "backup_fixture.h"

#include "app/program.h"
#include "layout/deletion_log.h"
#include "support/drives.h"
#include "support/modal.h"
#include "support/process.h"

#include <string>
#include <vector>

namespace {

class BackupDisk : public BackupTest {
protected:
    void SetUp() override
    {
        BackupTest::SetUp();
        disk_ = root_ + "\\disk";
        other_ = root_ + "\\other";
        CreateDirectoryA(disk_.c_str(), NULL);
        CreateDirectoryA(other_.c_str(), NULL);
        RemoveDrive('r');
        const std::string refused = MakeDrive('r', disk_);
        if (!refused.empty())
            GTEST_SKIP() << "no drive letter can be made here: " << refused;
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        tempLog_ = std::string(temp) + "Duplix.log";
        DeleteFileA(tempLog_.c_str());
        bak_ = "R:\\bak";
        PutString("BackupPath", bak_);
        PutString(ListItem(0).c_str(), Src("plan.doc"));
        PutString(ListItem(1).c_str(), Src("work"));
        CreateDirectoryA(Src("work").c_str(), NULL);
    }
    void TearDown() override
    {
        StopNotifiers();
        RemoveDrive('r');
        BackupTest::TearDown();
    }
    // Starts a notifier whose icon Tells reads.
    void StartShown(Child &notifier)
    {
        Start(notifier);
        notifier_pid_ = notifier.Pid();
    }
    bool Tells(const std::string &tip)
    {
        return PumpUntil([&] {
            HWND icon = FindWindowOf(notifier_pid_, NOTIFIER_WINDOW_CLASS);
            return icon != NULL && WindowText(icon) == tip;
        });
    }
    bool LogTells(const std::string &log, const std::string &line)
    {
        return PumpUntil([&] { return ReadText(log).find(line) != std::string::npos; });
    }
    int CountIn(const std::string &log, const std::string &line)
    {
        std::string text = ReadText(log);
        int count = 0;
        for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
            count++;
        return count;
    }
    std::string disk_, other_, tempLog_;
    DWORD notifier_pid_ = 0;
};

TEST_F(BackupDisk, GoneIsToldOnceAndWhatChangedMeanwhileIsCopiedWhenItIsBack)
{
    const char *const goes[] = {"work\\gone.txt", "work\\old"};
    ASSERT_TRUE(WriteText(Src("plan.doc"), "before"));
    ASSERT_TRUE(WriteText(Src("work\\gone.txt"), "gone"));
    ASSERT_TRUE(WriteText(Src("work\\old\\x.txt"), "x"));
    Child notifier;
    StartShown(notifier);
    ASSERT_TRUE(Becomes(Copy("plan.doc"), "before"));
    ASSERT_TRUE(Becomes(Copy("work\\old\\x.txt"), "x"));
    ASSERT_TRUE(Becomes(Copy(goes[0]), "gone"));

    RemoveDrive('r');
    EXPECT_TRUE(Tells("VELT Duplix 98 - the backup disk is not there"));
    ASSERT_TRUE(DeleteFileA(Src(goes[0]).c_str()));
    RemoveFolderTree(Src(goes[1]));
    const struct {
        const char *name, *text;
    } saves[] = {{"plan.doc", "saved while away"}, {"work\\a.txt", "a"}, {"work\\sub\\b.txt", "b"}};
    for (const auto &s : saves)
        ASSERT_TRUE(WriteText(Src(s.name), s.text));
    ASSERT_TRUE(WriteText(Src("plan.doc"), "saved again while away"));
    EXPECT_TRUE(LogTells(tempLog_, "The backup disk is not there: R:\\bak."));

    ASSERT_EQ(MakeDrive('r', disk_), "");
    EXPECT_TRUE(Becomes(Copy("plan.doc"), "saved again while away"));
    EXPECT_TRUE(Becomes(Copy("work\\a.txt"), "a"));
    EXPECT_TRUE(Becomes(Copy("work\\sub\\b.txt"), "b"));
    // What went while away is recorded gone once it is back.
    FILETIME at;
    for (const char *name : goes)
        EXPECT_TRUE(PumpUntil([&] { return FindLastDeletion(bak_.c_str(), Src(name).c_str(), &at); })) << name;
    EXPECT_TRUE(Tells("VELT Duplix 98 - all files backed up"));
    EXPECT_TRUE(LogTells(disk_ + "\\bak\\Duplix.log", "Caught up "));
    EXPECT_EQ(CountIn(tempLog_, "not there"), 1) << "one line for the whole time away";
    EXPECT_EQ(CountIn(disk_ + "\\bak\\Duplix.log", "Cannot back up"), 0) << "no file's own trouble";
}

TEST_F(BackupDisk, ASaveDuringTheCatchUpIsCopiedBeforeTheCatchUpEnds)
{
    const int waiting = 500;
    ASSERT_TRUE(WriteText(Src("plan.doc"), "before"));
    Child notifier;
    StartShown(notifier);
    ASSERT_TRUE(Becomes(Copy("plan.doc"), "before"));
    RemoveDrive('r');
    ASSERT_TRUE(Tells("VELT Duplix 98 - the backup disk is not there"));
    std::vector<std::string> names;
    for (int i = 0; i < waiting; i++) {
        names.push_back("work\\waited " + std::to_string(i) + ".txt");
        ASSERT_TRUE(WriteText(Src(names.back()), "changed while away"));
    }
    ASSERT_EQ(MakeDrive('r', disk_), "");
    // The newest change goes first: once it is there, the catch-up is under way.
    ASSERT_TRUE(Becomes(Copy(names.back()), "changed while away"));
    EXPECT_FALSE(PathExists(Copy(names.front()))) << "the oldest change went before the newest";
    ASSERT_TRUE(WriteText(Src("plan.doc"), "saved during the catch-up"));
    ASSERT_TRUE(Becomes(Copy("plan.doc"), "saved during the catch-up"));
    int left = 0;
    for (const std::string &name : names)
        left += !PathExists(Copy(name));
    EXPECT_GT(left, 0) << "the save waited for the whole catch-up";
    for (const std::string &name : names)
        EXPECT_TRUE(Becomes(Copy(name), "changed while away")) << name;
}

TEST_F(BackupDisk, AnotherDiskAtTheLetterGetsNoBackupUntilOkConfirmsIt)
{
    ASSERT_TRUE(WriteText(Src("plan.doc"), "first"));
    {
        Child first;
        Start(first);
        ASSERT_TRUE(Becomes(Copy("plan.doc"), "first"));
        Signal();
        ASSERT_TRUE(first.WaitEnd(WAIT_BOUND_MS));
    }
    // Another stick takes the letter: the root is there, the copies are not.
    RemoveDrive('r');
    ASSERT_EQ(MakeDrive('r', other_), "");
    ASSERT_TRUE(WriteText(Src("plan.doc"), "second"));
    Child second;
    StartShown(second);
    EXPECT_TRUE(Tells("VELT Duplix 98 - the backup disk is not the one that holds the copies"));
    ASSERT_TRUE(WriteText(Src("work\\new.txt"), "new"));
    EXPECT_TRUE(LogTells(tempLog_, "not the one that holds the copies: R:\\bak."));
    EXPECT_FALSE(PathExists(other_ + "\\bak")) << "no new backup begun on it";

    Child duplix;
    HWND dlg = Open(duplix);
    ASSERT_NE(dlg, (HWND)NULL);
    Click(dlg, IDOK);
    ASSERT_TRUE(duplix.WaitEnd(WAIT_BOUND_MS));
    ASSERT_TRUE(second.WaitEnd(WAIT_BOUND_MS));
    EXPECT_TRUE(Becomes(other_ + "\\bak\\" + Copy("plan.doc").substr(7), "second")) << "confirmed: it starts";
    EXPECT_TRUE(Becomes(other_ + "\\bak\\" + Copy("work\\new.txt").substr(7), "new"));
}

TEST_F(BackupDisk, AShareThatCannotBeReachedIsOneLineWithItsWordsNotAFileInUse)
{
    PutString("BackupPath", "\\\\duplix-no-such-host\\share\\bak");
    ASSERT_TRUE(WriteText(Src("plan.doc"), "saved"));
    Child notifier;
    StartShown(notifier);
    EXPECT_TRUE(Tells("VELT Duplix 98 - the backup disk is not there"));
    ASSERT_TRUE(WriteText(Src("plan.doc"), "saved again"));
    ASSERT_TRUE(WriteText(Src("work\\a.txt"), "a"));
    EXPECT_TRUE(LogTells(tempLog_, "The backup disk is not there: \\\\duplix-no-such-host\\share\\bak."));
    Signal();
    ASSERT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(CountIn(tempLog_, "not there"), 1);
    EXPECT_EQ(CountIn(tempLog_, "in use"), 0);
    EXPECT_EQ(CountIn(tempLog_, "Cannot back up"), 0);
}

}  // namespace
