// The companions' full names, built from the program's own path.
#include "app/program.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PathCase {
    std::string module;
    const char *file;
    int result;
    std::string expected;
};

TEST(CompanionPath, FitsWholeOrIsRefused)
{
    const std::string f248 = "C:\\" + std::string(245, 'd');  // a folder of 248 characters
    const PathCase cases[] = {
        {"D:\\Tools\\Backup\\Duplix.exe", "dxmenu.dll", 1, "D:\\Tools\\Backup\\dxmenu.dll"},
        {"C:\\Duplix.exe", "dxnotify.exe", 1, "C:\\dxnotify.exe"},
        {"Duplix.exe", "dxmenu.dll", 0, ""},
        {f248 + "\\Duplix.exe", "dxmenu.dll", 1, f248 + "\\dxmenu.dll"},  // 259 characters
        {f248 + "d\\Duplix.exe", "dxmenu.dll", 0, ""},
        {f248 + "\\x.exe", "dxnotify.exe", 0, ""},
    };
    for (const PathCase &c : cases) {
        SCOPED_TRACE(c.module);
        char out[MAX_PATH];
        memset(out, '#', sizeof(out));
        EXPECT_EQ(MakeCompanionPath(c.module.c_str(), c.file, out, MAX_PATH), c.result);
        EXPECT_EQ(std::string(out), c.expected);
    }
}

}  // namespace
