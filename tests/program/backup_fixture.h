// Whole-program tests of the real dxnotify.exe on real files: a source
// folder and a backup folder in a scratch folder, and the stored list.
#ifndef TEST_BACKUP_FIXTURE_H
#define TEST_BACKUP_FIXTURE_H

#include "program_fixture.h"

#include "support/files.h"
#include "support/product_key.h"

#include <string>
#include <vector>

class BackupTest : public CleanProgramTest {
protected:
    void SetUp() override
    {
        CleanProgramTest::SetUp();
        root_ = MakeScratchFolder("duplix-backup");
        src_ = root_ + "\\src";
        bak_ = root_ + "\\bak";
        CreateDirectoryA(src_.c_str(), NULL);
    }
    void TearDown() override
    {
        CleanProgramTest::TearDown();
        RemoveFolderTree(root_);
    }

    // Stores the backup path and these entries (relative to src_).
    void List(const std::vector<std::string> &entries)
    {
        PutString("BackupPath", bak_);
        for (size_t i = 0; i < entries.size(); i++)
            PutString(ListItem((int)i).c_str(), Src(entries[i]));
    }

    // Starts a notifier; it holds the event and reads its messages at once.
    void Start(Child &notifier)
    {
        ASSERT_TRUE(notifier.Start(notifier_));
        ASSERT_TRUE(PumpUntil(EventExists));
        EXPECT_EQ(WaitForInputIdle(notifier.Handle(), WAIT_BOUND_MS), 0u) << "it reads its queue";
        EXPECT_EQ(CountVisibleWindowsOf(notifier.Pid()), 0) << "and shows nothing";
    }

    std::string Src(const std::string &name) const { return src_ + "\\" + name; }

    // Where the copy of a source under src_ lies, below the backup path or
    // below one of its ring folders' slots.
    std::string Copy(const std::string &name, const std::string &slot = "") const
    {
        std::string source = Src(name);
        std::string base = slot.empty() ? bak_ : bak_ + "\\" + slot;
        return base + "\\" + (char)toupper(source[0]) + source.substr(2);
    }

    static bool Becomes(const std::string &path, const std::string &text)
    {
        return PumpUntil([&] { return ReadText(path) == text; });
    }

    static void Signal()
    {
        HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, STOP_EVENT);
        ASSERT_NE(stop, (HANDLE)NULL);
        SetEvent(stop);
        CloseHandle(stop);
    }

    std::string root_, src_, bak_;
};

#endif
