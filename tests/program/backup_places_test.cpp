// The real dxnotify.exe on listed places that are not plain folders: a whole
// drive, and paths written with short names.
#include "backup_fixture.h"

#include "support/drives.h"

#include <set>

namespace
{

// The names directly in a folder.
std::set<std::string> NamesIn(const std::string &folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &data)) {
        if (strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0)
            names.insert(data.cFileName);
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return names;
}

bool LogShows(const std::string &backup, const std::string &line)
{
    return PumpUntil([&] { return ReadText(backup + "\\Duplix.log").find(line) != std::string::npos; });
}

struct RootCase {
    const char *name;
    const char *backup; // on the listed drive; NULL: the scratch backup folder
};

class ListedDrive : public BackupTest, public ::testing::WithParamInterface<RootCase>
{
  protected:
    void SetUp() override
    {
        BackupTest::SetUp();
        disk_ = root_ + "\\disk";
        CreateDirectoryA(disk_.c_str(), NULL);
        RemoveDrive('r');
        const std::string refused = MakeDrive('r', disk_);
        if (!refused.empty())
            GTEST_SKIP() << "no drive letter can be made here: " << refused;
    }
    void TearDown() override
    {
        StopNotifiers();
        RemoveDrive('r');
        BackupTest::TearDown();
    }
    std::string disk_;
};

TEST_P(ListedDrive, IsBackedUpWholeWithoutItsRecycleBin)
{
    const std::string backup = GetParam().backup != NULL ? GetParam().backup : bak_;
    PutString("BackupPath", backup);
    PutString(ListItem(0).c_str(), "R:\\");
    ASSERT_TRUE(WriteText(disk_ + "\\a.txt", "a") && WriteText(disk_ + "\\sub\\b.txt", "b") &&
                WriteText(disk_ + "\\$RECYCLE.BIN\\gone.txt", "gone"));
    Child notifier;
    Start(notifier);
    EXPECT_TRUE(Becomes(backup + "\\R\\a.txt", "a"));
    EXPECT_TRUE(Becomes(backup + "\\R\\sub\\b.txt", "b"));
    EXPECT_TRUE(LogShows(backup, "Started: 1 entries, 2 files watched."));
    EXPECT_EQ(NamesIn(backup + "\\R"), (std::set<std::string>{"a.txt", "sub"}))
        << "no recycle bin, no copies of copies";
    ASSERT_TRUE(WriteText("R:\\sub\\c.txt", "saved later"));
    EXPECT_TRUE(Becomes(backup + "\\R\\sub\\c.txt", "saved later")) << "the root is watched";
}

INSTANTIATE_TEST_SUITE_P(Backup, ListedDrive,
                         ::testing::Values(RootCase{"BackupElsewhere", NULL},
                                           RootCase{"BackupOnTheDrive", "R:\\Backups"}),
                         [](const ::testing::TestParamInfo<RootCase> &info) {
                             return std::string(info.param.name);
                         });

struct ShortCase {
    const char *name;
    const char *listed; // below the source folder, written short
};

class ListedShort : public BackupTest, public ::testing::WithParamInterface<ShortCase>
{
};

TEST_P(ListedShort, IsCopiedUnderItsLongName)
{
    const std::string file = Src("Long Folder Name\\Report for May.doc");
    ASSERT_TRUE(WriteText(file, "May"));
    char shortPath[MAX_PATH] = "";
    const std::string listed = Src(GetParam().listed);
    if (GetShortPathNameA(listed.c_str(), shortPath, MAX_PATH) == 0 || listed == shortPath)
        GTEST_SKIP() << "the file system gives no short names";
    PutString("BackupPath", bak_);
    PutString(ListItem(0).c_str(), shortPath);
    Child notifier;
    Start(notifier);
    EXPECT_TRUE(Becomes(Copy("Long Folder Name\\Report for May.doc"), "May")) << shortPath;
    // The copies' folders carry the names the files have, never the short ones.
    const std::string folder = Copy("Long Folder Name");
    EXPECT_EQ(NamesIn(folder), std::set<std::string>{"Report for May.doc"});
    EXPECT_EQ(NamesIn(folder.substr(0, folder.rfind('\\'))), std::set<std::string>{"Long Folder Name"});
}

INSTANTIATE_TEST_SUITE_P(Backup, ListedShort,
                         ::testing::Values(ShortCase{"Folder", "Long Folder Name"},
                                           ShortCase{"File", "Long Folder Name\\Report for May.doc"}),
                         [](const ::testing::TestParamInfo<ShortCase> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
