// The parameters Open passes to Explorer, and the folder test behind them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "dialog/shell_ops.h"

namespace {

std::string Params(const std::string &path)
{
    char params[EXPLORER_PARAMS_SIZE];
    memset(params, 'X', sizeof(params));
    EXPECT_EQ(FormatExplorerParams(path.c_str(), params, sizeof(params)), 1) << path;
    return params;
}

std::string WindowsFolder()
{
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, sizeof(folder));
    return folder;
}

TEST(ExplorerParams, FolderOpensInANewWindowWithTheTree)
{
    std::string folder = WindowsFolder();
    EXPECT_EQ(Params(folder), "/e,/n,\"" + folder + "\"");
}

TEST(ExplorerParams, FileAndMissingPathAreSelectedInTheirFolder)
{
    std::string file = WindowsFolder() + "\\win.ini";
    ASSERT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Params(file), "/e,/n,/select,\"" + file + "\"");
    EXPECT_EQ(Params("c:\\no such folder\\no such file.txt"), "/e,/n,/select,\"c:\\no such folder\\no such file.txt\"");
    EXPECT_EQ(Params("\\a Last Hour - One per Minute"), "/e,/n,/select,\"\\a Last Hour - One per Minute\"");
}

TEST(ExplorerParams, LongestListPathIsPassedWhole)
{
    std::string path = "c:\\" + std::string(256, 'p');
    ASSERT_EQ(path.size(), 259u);
    std::string params = Params(path);
    EXPECT_EQ(params.size(), 14u + 2u + 259u);
    EXPECT_EQ(params, "/e,/n,/select,\"" + path + "\"");
}

TEST(ExplorerParams, TooSmallABufferIsRefusedNotCut)
{
    char params[20];
    memset(params, 'X', sizeof(params));
    EXPECT_EQ(FormatExplorerParams("c:\\a rather long name.txt", params, sizeof(params)), 0);
    EXPECT_STREQ(params, "");
}

TEST(IsDirectoryTest, TellsFoldersAndLeavesTheCurrentDirectory)
{
    char before[MAX_PATH] = "", after[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(before), before);
    EXPECT_EQ(IsDirectory(WindowsFolder().c_str()), 1);
    EXPECT_EQ(IsDirectory((WindowsFolder() + "\\win.ini").c_str()), 0);
    EXPECT_EQ(IsDirectory("c:\\no such folder"), 0);
    EXPECT_EQ(IsDirectory(""), 0);
    GetCurrentDirectoryA(sizeof(after), after);
    EXPECT_STREQ(after, before);
}

}  // namespace
