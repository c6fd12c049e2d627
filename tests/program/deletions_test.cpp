// The real dxnotify.exe records in the backup path's deletion record when
// a backed-up file or folder goes: as it goes, or at the next start when it
// went while no notifier ran; a save that replaces a file records nothing.
#include "backup_fixture.h"

#include "layout/deletion_log.h"

#include <memory>

namespace {

struct Going {
    const char *what;
    bool whileStopped;
    void (*act)(const std::string &src);
    const char *gone;  // what the record then holds, below src; NULL: nothing
};

const Going GOINGS[] = {
    {"a file deleted", false, [](const std::string &s) { DeleteFileA((s + "\\tree\\a.txt").c_str()); },
     "tree\\a.txt"},
    // Its files may go, and be taken, before it does: each is then gone.
    {"a folder deleted whole", false, [](const std::string &s) { RemoveFolderTree(s + "\\tree\\sub"); },
     "tree\\sub\\c.txt"},
    {"a file moved out", false,
     [](const std::string &s) { MoveFileA((s + "\\tree\\a.txt").c_str(), (s + "\\elsewhere\\a.txt").c_str()); },
     "tree\\a.txt"},
    {"a file deleted while stopped", true,
     [](const std::string &s) { DeleteFileA((s + "\\tree\\sub\\b.txt").c_str()); }, "tree\\sub\\b.txt"},
    {"a folder deleted while stopped", true, [](const std::string &s) { RemoveFolderTree(s + "\\tree\\sub"); },
     "tree\\sub"},
    {"a save by replace", false,
     [](const std::string &s) {
         std::string a = s + "\\tree\\a.txt", temp = s + "\\tree\\a.new";
         WriteText(temp, "saved anew");
         DeleteFileA(a.c_str());
         MoveFileA(temp.c_str(), a.c_str());
     },
     NULL},
};

void PrintTo(const Going &row, std::ostream *out)
{
    *out << row.what;
}

ULONGLONG Now()
{
    ULARGE_INTEGER t;
    GetSystemTimeAsFileTime((FILETIME *)&t);
    return t.QuadPart;
}

class DeletionsTest : public BackupTest, public testing::WithParamInterface<Going> {};

TEST_P(DeletionsTest, IsRecordedWhenGone)
{
    const Going &row = GetParam();
    const char *names[] = {"tree\\a.txt", "tree\\sub\\b.txt", "tree\\sub\\c.txt"};
    List({"tree"});
    CreateDirectoryA(Src("elsewhere").c_str(), NULL);
    for (const char *name : names)
        ASSERT_TRUE(WriteText(Src(name), name));
    auto notifier = std::make_unique<Child>();
    Start(*notifier);
    for (const char *name : names)
        ASSERT_TRUE(Becomes(Copy(name), name)) << name;
    // A report's moment comes from a tick count: allow for its steps.
    ULONGLONG before = Now() - 1000000;
    if (row.whileStopped) {
        Signal();
        ASSERT_TRUE(notifier->WaitEnd(WAIT_BOUND_MS));
        row.act(src_);
        notifier = std::make_unique<Child>();
        Start(*notifier);
    } else {
        row.act(src_);
    }
    ULARGE_INTEGER at = {};
    if (row.gone == NULL) {
        ASSERT_TRUE(Becomes(Copy("tree\\a.txt"), "saved anew"));
        EXPECT_FALSE(FindLastDeletion(bak_.c_str(), Src("tree\\a.txt").c_str(), (FILETIME *)&at));
        return;
    }
    ASSERT_TRUE(PumpUntil([&] { return FindLastDeletion(bak_.c_str(), Src(row.gone).c_str(), (FILETIME *)&at); }))
        << row.what;
    EXPECT_GE(at.QuadPart, before) << row.what;
    EXPECT_LE(at.QuadPart, Now()) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Goings, DeletionsTest, testing::ValuesIn(GOINGS));

}  // namespace
