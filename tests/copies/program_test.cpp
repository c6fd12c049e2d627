// dxrestore.exe as started from a command line, and the real notifier's
// copies as the window shows them.
#include "copies_fixture.h"

#include "program/program_fixture.h"

#include <algorithm>

namespace {

const char *const kRings[] = {"a Last Hour - One per Minute", "b Last Day - One per Hour",
                              "c Last Month - One per Day"};
const char *const kPlaceNames[] = {"Minute", "Hour", "Day"};

// The places that hold a copy of the source, found by looking at every
// slot folder on the disk: "Newest copy, Minute 07, ...".
std::string PlacesOnDisk(const std::string &backup, const std::string &relative)
{
    std::string places = PathExists(backup + "\\" + relative) ? "Newest copy" : "";
    for (int ring = 0; ring < 3; ring++) {
        for (int slot = 0; slot < 60; slot++) {
            char number[8];
            wsprintfA(number, "%02d", slot);
            if (!PathExists(backup + "\\" + kRings[ring] + "\\" + number + "\\" + relative))
                continue;
            places += (places.empty() ? "" : ", ") + std::string(kPlaceNames[ring]) + " " + number;
        }
    }
    return places;
}

class CopiesProgram : public CopiesWindowTest {
protected:
    void SetUp() override
    {
        CopiesWindowTest::SetUp();
        StopNotifiers();
    }
    void TearDown() override
    {
        StopNotifiers();
        CopiesWindowTest::TearDown();
    }
};

TEST_F(CopiesProgram, TheNotifiersCopiesOfOneSaveAreOneVersionInEveryPlace)
{
    std::string relative = source_.substr(0, 1) + source_.substr(2);
    PutString("ListItem0", source_);
    ASSERT_TRUE(WriteText(source_, "saved once"));
    Child notifier;
    ASSERT_TRUE(notifier.Start(BinPath("dxnotify.exe")));
    std::string places;
    EXPECT_TRUE(PumpUntil([&] {
        places = PlacesOnDisk(backup_, relative);
        return std::count(places.begin(), places.end(), ',') == 3;
    })) << places;
    StopNotifiers();
    OpenWindow(source_);
    WIN32_FIND_DATAA info;
    ASSERT_TRUE(GetPathInfo(source_.c_str(), &info));
    EXPECT_EQ(Rows(), std::vector<std::string>{ShownTime(info.ftLastWriteTime) + " | 10 bytes | " + places});
}

TEST_F(CopiesProgram, ARelativePathOpensTheWindowAndNoPathShowsTheUsage)
{
    char before[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(before), before);
    ASSERT_TRUE(WriteText(source_, "x"));
    ASSERT_TRUE(SetCurrentDirectoryA((scratch_ + "\\work").c_str()));
    Child copies;
    bool started = copies.Start(BinPath(COPIES_FILE), "plan.txt");
    SetCurrentDirectoryA(before);
    ASSERT_TRUE(started);
    HWND window = WaitForTopWindow(NULL, "plan.txt - " PRODUCT_TITLE " Copies");
    ASSERT_NE(window, (HWND)NULL);
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_COPY_PATH)), source_);
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(copies.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(copies.ExitCode(), 0u);

    Child usage;
    ASSERT_TRUE(usage.Start(BinPath(COPIES_FILE)));
    HWND box = WaitForTopWindow(NULL, PRODUCT_TITLE);
    ASSERT_NE(box, (HWND)NULL);
    EXPECT_EQ(MessageBoxText(box).rfind("Usage: dxrestore.exe [/at \"YYYY-MM-DD HH:MM\"] PATH", 0), 0u) << MessageBoxText(box);
    PressButton(box, IDOK);
    ASSERT_TRUE(usage.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(usage.ExitCode(), 1u);
}

}  // namespace
