// Names a tree reports are made long before they are copied, by the same
// call the tree read makes: a change reported under a short name lands in
// the history of the long one.
#include "layout/long_path.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

std::string ShortOf(const std::string &path)
{
    char out[MAX_PATH] = "";
    return GetShortPathNameA(path.c_str(), out, MAX_PATH) > 0 ? out : path;
}

TEST(ReportedNames, AreMadeLongAlsoAboveAFileGoneAgain)
{
    const std::string root = MakeScratchFolder("duplix-names"), folder = root + "\\Long Folder Name";
    const std::string file = folder + "\\Report for May.doc", gone = folder + "\\Removed~1.doc";
    ASSERT_TRUE(WriteText(file, "May"));
    if (ShortOf(folder) == folder)
        GTEST_SKIP() << "the file system gives no short names";
    const std::string cases[][2] = {{ShortOf(file), file},
                                    {folder + "\\" + ShortOf(file).substr(ShortOf(folder).size() + 1), file},
                                    {ShortOf(folder) + "\\Removed~1.doc", gone}};
    for (const auto &c : cases) {
        char path[LONG_PATH];
        lstrcpynA(path, c[0].c_str(), LONG_PATH);
        EXPECT_TRUE(ToLongNames(path, LONG_PATH));
        EXPECT_EQ(std::string(path), c[1]) << c[0];
    }
    RemoveFolderTree(root);
}

} // namespace
