// Names a tree reports are made long before they are copied: a change
// reported under a short name lands in the same history as under the long.
#include "layout/long_path.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameCase {
    const char *name;
    const char *reported;  // below the scratch folder; '*' marks a part given short
    const char *expected;
};

void PrintTo(const NameCase &c, std::ostream *out)
{
    *out << c.name;
}

class ReportedName : public ::testing::TestWithParam<NameCase> {
protected:
    void SetUp() override
    {
        root_ = MakeScratchFolder("duplix-names");
        ASSERT_TRUE(WriteText(root_ + "\\Long Folder Name\\Report for May.doc", "May"));
    }
    void TearDown() override { RemoveFolderTree(root_); }

    // The path with each part marked '*' in its short form.
    std::string Reported(const std::string &text) const
    {
        std::string path = root_, part;
        for (size_t i = 0; i <= text.size(); i++) {
            if (i < text.size() && text[i] != '\\') {
                part += text[i];
                continue;
            }
            bool asShort = !part.empty() && part[0] == '*';
            path += "\\" + (asShort ? part.substr(1) : part);
            char shortPath[MAX_PATH] = "";
            if (asShort && GetShortPathNameA(path.c_str(), shortPath, MAX_PATH) > 0)
                path = shortPath;
            part.clear();
        }
        return path;
    }
    std::string root_;
};

TEST_P(ReportedName, IsMadeLong)
{
    std::string reported = Reported(GetParam().reported);
    if (reported == root_ + "\\" + GetParam().expected)
        GTEST_SKIP() << "the file system gives no short names";
    char path[LONG_PATH];
    lstrcpynA(path, reported.c_str(), LONG_PATH);
    ASSERT_TRUE(ToLongNames(path, LONG_PATH));
    EXPECT_EQ(std::string(path), root_ + "\\" + GetParam().expected) << reported;
}

INSTANTIATE_TEST_SUITE_P(
    Trees, ReportedName,
    ::testing::Values(NameCase{"ShortFile", "Long Folder Name\\*Report for May.doc", "Long Folder Name\\Report for May.doc"},
                      NameCase{"ShortFolderAndFile", "*Long Folder Name\\*Report for May.doc",
                               "Long Folder Name\\Report for May.doc"},
                      // Gone again: the folders above it are still named long.
                      NameCase{"ShortFolderOfAFileGone", "*Long Folder Name\\Removed~1.doc",
                               "Long Folder Name\\Removed~1.doc"}),
    [](const ::testing::TestParamInfo<NameCase> &info) { return std::string(info.param.name); });

}  // namespace
