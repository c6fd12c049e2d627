// Where the dialog opens, what it shows from the store, and what its closing
// stores, on the real dialog in this process.
#include "support/dialog_fixture.h"

#include "dialog/persistence.h"
#include "res/resource.h"
#include "support/product_key.h"

namespace {

TEST(DefaultPlacement, QuarterFirstTruncatedTowardZeroThenTimesThree)
{
    EXPECT_EQ(DefaultPlacement(0, 800, 549), 186) << "free 251, quarter 62";
    EXPECT_EQ(DefaultPlacement(0, 572, 334), 177) << "free 238, quarter 59";
    EXPECT_EQ(DefaultPlacement(0, 800, 810), -6) << "quarter of -10 is -2, not -3";
    EXPECT_EQ(DefaultPlacement(0, 800, 803), 0) << "quarter of -3 is 0";
    EXPECT_EQ(DefaultPlacement(100, 800, 549), 286) << "from the work area's start";
    EXPECT_EQ(DefaultPlacement(-1024, 1024, 10), -1024 + 3 * 253);
}

struct Place {
    bool storeLeft, storeTop;
    DWORD left, top;
};

class Placement : public SettingsDialog, public ::testing::WithParamInterface<Place> {
protected:
    void Prepare() override
    {
        if (GetParam().storeLeft)
            PutDword("WndLeft", GetParam().left);
        if (GetParam().storeTop)
            PutDword("WndTop", GetParam().top);
    }
};

TEST_P(Placement, StoredCoordinatesAreUsedAsTheyAreAndMissingOnesByTheRule)
{
    RECT work, rc;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(dlg_, &rc);
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    const Place &p = GetParam();
    int left = p.storeLeft && p.left != 0xFFFFFFFF ? (int)p.left
                                                    : work.left + 3 * ((work.right - work.left - width) / 4);
    int top = p.storeTop && p.top != 0xFFFFFFFF ? (int)p.top : work.top + 3 * ((work.bottom - work.top - height) / 4);
    EXPECT_EQ(rc.left, left);
    EXPECT_EQ(rc.top, top);
}

INSTANTIATE_TEST_SUITE_P(Stored, Placement,
                         ::testing::Values(Place{false, false, 0, 0},               // nothing stored
                                           Place{true, false, 40, 0},               // left only
                                           Place{false, true, 0, 30},               // top only
                                           Place{true, true, 0xFFFFFFFF, 77},       // a stored -1
                                           Place{true, true, (DWORD)-5, (DWORD)-9},  // other negatives
                                           Place{true, true, (DWORD)-6000, 30000}));  // far off the screen

class OpeningPath : public SettingsDialog {
protected:
    std::string Path() { return WindowText(Item(IDC_BACKUP_PATH)); }
    static std::string WindowText(HWND h)
    {
        char text[512] = "";
        GetWindowTextA(h, text, sizeof(text));
        return text;
    }
};

TEST_F(OpeningPath, FreshAccountShowsTheDefaultPathAndCreatesTheEmptyKey)
{
    EXPECT_EQ(Path(), "C:\\Duplix Path");
    EXPECT_TRUE(ProductKeyExists());
    EXPECT_FALSE(HasValue("BackupPath")) << "the default is not written when opening";
    EXPECT_TRUE(Entries().empty());
}

class StoredPath : public OpeningPath {
protected:
    void Prepare() override { PutString("BackupPath", "D:\\Backups\\Mine"); }
};

TEST_F(StoredPath, IsShown)
{
    EXPECT_EQ(Path(), "D:\\Backups\\Mine");
}

class EmptyStoredPath : public OpeningPath {
protected:
    void Prepare() override { PutString("BackupPath", ""); }
};

TEST_F(EmptyStoredPath, IsShownEmpty)
{
    EXPECT_EQ(Path(), "");
}

class TooLongStoredPath : public OpeningPath {
protected:
    void Prepare() override { PutString("BackupPath", std::string(260, 'q')); }
};

TEST_F(TooLongStoredPath, GivesTheDefault)
{
    EXPECT_EQ(Path(), "C:\\Duplix Path");
}

using Closing = SettingsDialog;

TEST_F(Closing, CancelStoresThePositionAndNothingElse)
{
    PutString("ListItem0", "c:\\kept.txt");
    SetWindowPos(dlg_, NULL, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(Item(IDC_BACKUP_PATH), WM_SETTEXT, 0, (LPARAM) "E:\\changed");
    Command(IDC_NEW_ITEM);
    Command(IDCANCEL);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(GetDword("WndLeft"), 123u);
    EXPECT_EQ(GetDword("WndTop"), 45u);
    EXPECT_FALSE(HasValue("BackupPath"));
    EXPECT_EQ(GetString("ListItem0"), "c:\\kept.txt");
    EXPECT_FALSE(HasValue("ListItem1"));
}

TEST_F(Closing, OkStoresPathListAndPosition)
{
    SetWindowPos(dlg_, NULL, -20, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(Item(IDC_BACKUP_PATH), WM_SETTEXT, 0, (LPARAM) "E:\\Copies");
    Command(IDC_NEW_ITEM);
    Command(IDOK);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(GetString("BackupPath"), "E:\\Copies");
    EXPECT_EQ(GetString("ListItem0"), "New Item. Enter a file path here.");
    EXPECT_FALSE(HasValue("ListItem1"));
    EXPECT_EQ((int)GetDword("WndLeft"), -20);
    EXPECT_EQ(GetDword("WndTop"), 700u);
}

TEST_F(Closing, MinimisedDialogStoresWhereItWillShowAgain)
{
    SetWindowPos(dlg_, NULL, 150, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(dlg_, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(dlg_));
    Command(IDCANCEL);
    EXPECT_EQ(GetDword("WndLeft"), 150u);
    EXPECT_EQ(GetDword("WndTop"), 60u);
}

}  // namespace
