// What a path names is read by one call: a drive's root, folders with and
// without their backslash, files by ANSI, marked UTF-8 and overlong paths,
// and nothing for what is missing or a wildcard.
#include "layout/long_path.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(PathInfo, TellsWhatIsThereByEveryKindOfPath)
{
    const std::string root = MakeScratchFolder("duplix-pathinfo");
    ASSERT_TRUE(WriteText(root + "\\plain.txt", "plain"));
    // "Łódź.txt": no ANSI form here, so the notifier carries it marked, in UTF-8.
    ASSERT_TRUE(WriteWideText(Widen(root) + L"\\\x0141\x00f3\x0064\x017a.txt", "wide!!!"));
    std::string deep = root;
    std::wstring wideDeep = L"\\\\?\\" + Widen(root);
    for (int i = 0; i < 10; i++) {
        deep += "\\a folder with a name of thirty";
        wideDeep += L"\\a folder with a name of thirty";
        ASSERT_TRUE(CreateDirectoryW(wideDeep.c_str(), NULL));
    }
    ASSERT_TRUE(WriteWideText(wideDeep + L"\\deep.txt", "deep"));
    struct Case {
        std::string path, name;
        bool there, folder;
        DWORD size;
    } cases[] = {
        {"C:\\", "", true, true, 0},
        {root, "", true, true, 0},
        {root + "\\", "", true, true, 0},
        {root + "\\plain.txt", "plain.txt", true, false, 5},
        {root + "\\" + std::string(1, WIDE_NAME_MARK) + "\xc5\x81\xc3\xb3" "d\xc5\xba.txt", "", true, false, 7},
        {deep + "\\deep.txt", "deep.txt", true, false, 4},
        {root + "\\missing.txt", "", false, false, 0},
        {root + "\\no folder\\missing.txt", "", false, false, 0},
        {root + "\\*.txt", "", false, false, 0},
    };
    for (const Case &c : cases) {
        WIN32_FIND_DATAA info;
        ASSERT_EQ(GetPathInfo(c.path.c_str(), &info) != 0, c.there) << c.path;
        if (!c.there)
            continue;
        EXPECT_EQ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, c.folder) << c.path;
        EXPECT_EQ(info.nFileSizeLow, c.size) << c.path;
        if (!c.name.empty()) {
            EXPECT_STREQ(info.cFileName, c.name.c_str()) << c.path;
        }
    }
    RemoveFolderTree(root);
}

} // namespace
