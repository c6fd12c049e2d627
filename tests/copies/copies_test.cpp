// The copies window driven through its controls: rows, the empty and the
// unreadable cases, Restore, Save As and copies past MAX_PATH.
#include "copies_fixture.h"

#include <commdlg.h>

namespace {

const char kMinute[] = "a Last Hour - One per Minute";
const char kHour[] = "b Last Day - One per Hour";
const char kDay[] = "c Last Month - One per Day";
const Place kNewest = {"", 0};

std::string Bytes(const char *digits)
{
    char separator[8] = ",";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof(separator));
    std::string text = digits;
    if (text.size() > 3)
        text.insert(text.size() - 3, separator);
    return text + " bytes";
}

TEST_F(CopiesWindowTest, RowsAreTheDistinctVersionsNewestFirstWithThePlacesThatKeepThem)
{
    std::string big(1234, 'b');
    struct {
        Place place;
        std::string text;
        int minutes;
    } copies[] = {
        {{kDay, 7}, "v1", -2000},        {{kMinute, 2}, "v2", -3},  {{kHour, 9}, "v2", -3},
        {kNewest, big, 0},               {{kMinute, 3}, big, 0},    {{kDay, 6}, "v1 longer", -2000},
        {{kMinute, 59}, "v2", -3},
    };
    for (const auto &c : copies)
        PutCopy(c.place, c.text, LocalTime(c.minutes));
    // A copy the notifier was writing when it stopped is no version.
    ASSERT_TRUE(WriteAt(CopyPath({kHour, 10}) + ".~dx", "partial", LocalTime(-1)));
    ASSERT_TRUE(WriteText(source_, "now"));

    OpenWindow(source_);
    EXPECT_EQ(Rows(), std::vector<std::string>({
                          ShownTime(LocalTime(0)) + " | " + Bytes("1234") + " | Newest copy, Minute 03",
                          ShownTime(LocalTime(-3)) + " | 2 bytes | Minute 02, Minute 59, Hour 09",
                          ShownTime(LocalTime(-2000)) + " | 9 bytes | Day 06",
                          ShownTime(LocalTime(-2000)) + " | 2 bytes | Day 07",
                      }));
    EXPECT_EQ(Selected(), 0) << "the newest is chosen";
    EXPECT_EQ(WindowText(dlg_), "plan.txt - VELT Duplix 98 Copies");
    EXPECT_EQ(Text(IDC_COPY_PATH), source_);
    EXPECT_EQ(Text(IDC_COPY_STATE).rfind("Now: changed at ", 0), 0u) << Text(IDC_COPY_STATE);
    EXPECT_EQ(Text(IDC_COPY_STATE).substr(Text(IDC_COPY_STATE).size() - 9), ", 3 bytes");
    EXPECT_EQ(Text(IDC_COPY_NOTE), "");
    for (int id : {IDC_OPEN_COPY, IDC_SAVE_COPY, IDC_RESTORE_COPY})
        EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
    Press(IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(dlg_)) << "Close ends the window";
}

// An empty but readable backup path, and backup paths that cannot be read:
// the window opens empty with nothing to act on.
TEST_F(CopiesWindowTest, WithoutCopiesTheWindowIsEmptyAndSaysWhy)
{
    std::string aFile = scratch_ + "\\not a folder", other = scratch_ + "\\work\\plan-other.txt";
    ASSERT_TRUE(WriteText(aFile, "x"));
    struct {
        std::string backup, listItem, box, note;
    } cases[] = {
        {backup_, scratch_ + "\\work", "", "No copies of this file yet."},
        {backup_, other, "", "No copies of this file yet."},
        // A listed folder backs up its whole tree, as the notifier does.
        {backup_, scratch_, "", "No copies of this file yet."},
        {backup_, scratch_ + "\\elsewhere", "", "No copies of this file yet. It is not on the backup list."},
        {aFile, other, "The backup path cannot be read:\n" + aFile, "The backup path cannot be read."},
        {scratch_ + "\\gone\\backup", other,
         "The backup path cannot be read:\n" + scratch_ + "\\gone\\backup",
         "The backup path cannot be read."},
    };
    PutCopy({kDay, 7}, "elsewhere", LocalTime(0));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.backup + " " + c.listItem);
        PutString("BackupPath", c.backup);
        PutString("ListItem0", c.listItem);
        std::string seen;
        if (c.box.empty()) {
            OpenWindow(other);
            EXPECT_EQ(window_.readable, 1) << "no box for a readable backup path";
        } else {
            ModalAnswer box(BoxSaying("The backup path"), PressAndKeep(IDOK, &seen));
            OpenWindow(other);
            EXPECT_TRUE(box.Finish());
            EXPECT_EQ(seen.substr(0, c.box.size()), c.box);
        }
        EXPECT_TRUE(Rows().empty());
        EXPECT_EQ(Text(IDC_COPY_NOTE), c.note);
        EXPECT_EQ(Text(IDC_COPY_STATE), "Now: missing");
        for (int id : {IDC_OPEN_COPY, IDC_SAVE_COPY, IDC_RESTORE_COPY})
            EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
        DestroyWindow(dlg_);
        dlg_ = NULL;
    }
}

}  // namespace
