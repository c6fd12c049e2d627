// The window left open while the notifier goes on writing: the buttons act
// on the version a row shows or say it is gone, and new copies come in.
#include "copies_fixture.h"

#include <commdlg.h>

#include <memory>

namespace {

const Place kNewest = {"", 0}, kMinute3 = {"a Last Hour - One per Minute", 3};
const char kGone[] = "This version is no longer kept.", kSaveTitle[] = PRODUCT_TITLE " - Save the version as";

// The row shows the version of 10:00, which the newest copy held when the
// list was made; then the notifier puts a later one there (the reload is
// stopped, as if that happened right after one).
TEST_F(CopiesWindowTest, EachButtonActsOnTheRowsVersionOrSaysItIsNoLongerKept)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    const std::string shown = temp + std::string(PRODUCT_TITLE " Copies\\view (saved 2026-12-07 10-00-00)") +
                              ".dxview";
    const std::string elsewhere = scratch_ + "\\elsewhere.dxview";
    source_ = scratch_ + "\\work\\view.dxview";
    RegisterViewer();
    for (int button : {IDC_RESTORE_COPY, IDC_OPEN_COPY, IDC_SAVE_COPY}) {
        for (bool keptElsewhere : {true, false}) {
            SCOPED_TRACE(std::to_string(button) + (keptElsewhere ? " also in Minute 03" : " newest only"));
            RemoveFolderTree(scratch_);
            SetFileAttributesA(shown.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(shown.c_str());
            ASSERT_TRUE(WriteText(source_, "present"));
            PutCopy(kNewest, "alpha", LocalTime(0));
            if (keptElsewhere)
                PutCopy(kMinute3, "alpha", LocalTime(0));
            OpenWindow(source_);
            KillTimer(dlg_, RELOAD_TIMER);
            PutCopy(kNewest, "beta is longer", LocalTime(7));

            std::string told;  // only the windows this case opens are waited for
            std::vector<std::unique_ptr<ModalAnswer>> answers;
            if (button == IDC_SAVE_COPY)
                answers.emplace_back(new ModalAnswer(kSaveTitle, NULL, [&](HWND d) {
                    SendMessageA(FileNameBox(d), WM_SETTEXT, 0, (LPARAM)elsewhere.c_str());
                    PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(d, IDOK));
                }));
            if (!keptElsewhere)
                answers.emplace_back(new ModalAnswer(BoxSaying(kGone), PressAndKeep(IDOK, &told)));
            else if (button == IDC_RESTORE_COPY)
                answers.emplace_back(new ModalAnswer(BoxSaying("Put the version of view.dxview saved " +
                                                               ShownTime(LocalTime(0))),
                                                     PressAndKeep(IDYES, &told)));
            Press(button);
            for (auto &answer : answers)
                EXPECT_TRUE(answer->Finish());
            if (button == IDC_OPEN_COPY && keptElsewhere) {
                EXPECT_EQ(Viewed(1), std::vector<std::string>{shown});
            }
            bool restore = button == IDC_RESTORE_COPY;
            std::string acted = restore ? source_ : button == IDC_OPEN_COPY ? shown : elsewhere;
            EXPECT_EQ(ReadText(acted), keptElsewhere ? "alpha" : restore ? "present" : "<missing>");
            EXPECT_EQ(told == kGone, !keptElsewhere);
            if (!keptElsewhere) {
                EXPECT_FALSE(PathExists(backup_ + "\\Before restore")) << "nothing kept for nothing";
                EXPECT_EQ(Rows(),
                          std::vector<std::string>{ShownTime(LocalTime(7)) + " | 14 bytes | Newest copy"});
                EXPECT_EQ(Selected(), -1);
            }
            DestroyWindow(dlg_);
            dlg_ = NULL;
        }
    }
    SetFileAttributesA(shown.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(shown.c_str());
}

// While the window is open the notifier moves the newest version into a
// ring and makes a new one: a row comes in, and the older row chosen stays
// chosen.
TEST_F(CopiesWindowTest, NewCopiesComeInAsRowsAndTheChosenVersionStaysChosen)
{
    PutCopy(kNewest, "one", LocalTime(0));
    PutCopy({"c Last Month - One per Day", 7}, "older", LocalTime(-2000));
    OpenWindow(source_);
    Select(1);
    PutCopy(kMinute3, "one", LocalTime(0));
    PutCopy(kNewest, "two!", LocalTime(5));
    std::vector<std::string> rows = {ShownTime(LocalTime(5)) + " | 4 bytes | Newest copy",
                                     ShownTime(LocalTime(0)) + " | 3 bytes | Minute 03",
                                     ShownTime(LocalTime(-2000)) + " | 5 bytes | Day 07"};
    EXPECT_TRUE(PumpUntil([&] { return Rows() == rows; })) << Rows().size();
    EXPECT_EQ(Selected(), 2);
}

}  // namespace
