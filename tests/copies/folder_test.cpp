// The folder window: the files below a folder as they were at each moment,
// Restore and Restore To... of a whole moment, and /at on the command line.
#include "folder_fixture.h"

#include "support/process.h"

#include <shlobj.h>

namespace {

const int kNow = 1;  // a moment number that stands for "Now"

struct MomentCase {
    int minute;  // the moment ends this minute; kNow for "Now"
    bool all;    // "Only files changed or deleted since" cleared
    std::vector<const char *> names;  // the rows' names, each checked whole below
};

class FolderWindow : public FolderTest {
protected:
    // The row each file shows at the moment that ends minute k: what the
    // copies say it was then, against what it is now.
    std::string Expected(const std::string &name, int k) const
    {
        if (name == "gone.txt")
            return Row("gone.txt", -30, "4 bytes", "deleted");
        if (name == "new.txt")
            return Row("new.txt", -20, "3 bytes", "same");
        if (name == "sub\\keep.txt")
            return Row("sub\\keep.txt", -40, "4 bytes", "same");
        return k == kNow || k >= -20 ? Row("plan.txt", -20, "6 bytes", "same")
                                      : Row("plan.txt", -30, "2 bytes", "changed");
    }
};

TEST_F(FolderWindow, EachMomentShowsTheFilesAsTheyWereThenAndWhatBecameOfThem)
{
    OpenFolder();
    EXPECT_EQ(WindowText(dlg_), "work - " PRODUCT_TITLE " Copies");
    EXPECT_EQ(Text(IDC_FOLDER_PATH), folder_);
    std::vector<std::string> moments = Moments();
    ASSERT_FALSE(moments.empty());
    EXPECT_EQ(moments[0], "Now");
    EXPECT_EQ(Text(IDC_FOLDER_MOMENT), "Now") << "opens at Now";
    EXPECT_EQ(IsDlgButtonChecked(dlg_, IDC_FOLDER_ONLY), BST_CHECKED);
    size_t last = 0;
    for (int k : {-20, -25, -30, -40}) {
        auto at = std::find(moments.begin(), moments.end(), Label(k));
        ASSERT_NE(at, moments.end()) << Label(k);
        EXPECT_GT((size_t)(at - moments.begin()), last) << "newest first: " << Label(k);
        last = at - moments.begin();
    }

    const MomentCase cases[] = {
        {kNow, false, {"gone.txt"}},
        {kNow, true, {"gone.txt", "new.txt", "plan.txt", "sub\\keep.txt"}},
        {-20, true, {"new.txt", "plan.txt", "sub\\keep.txt"}},
        {-25, true, {"plan.txt", "sub\\keep.txt"}},
        {-30, true, {"gone.txt", "plan.txt", "sub\\keep.txt"}},
        {-30, false, {"gone.txt", "plan.txt"}},
        {-40, true, {"sub\\keep.txt"}},
        {-41, false, {}},
    };
    for (const MomentCase &c : cases) {
        SCOPED_TRACE(c.minute);
        if (c.minute == -41) {
            ChooseMoment(Label(-40));
            ShowAll(false);
            EXPECT_EQ(Text(IDC_FOLDER_NOTE), "No file was changed or deleted here since then.");
            continue;
        }
        ChooseMoment(c.minute == kNow ? "Now" : Label(c.minute));
        ShowAll(c.all);
        std::vector<std::string> expected;
        for (const char *name : c.names)
            expected.push_back(Expected(name, c.minute));
        EXPECT_EQ(FolderRows(), expected);
    }
}

// A file deleted while the window is open shows at the next look, at the
// moment chosen.
TEST_F(FolderWindow, ItFollowsTheFolderWhileOpenKeepingTheChosenMoment)
{
    OpenFolder();
    ChooseMoment(Label(-30));
    ASSERT_TRUE(DeleteFileA((folder_ + "\\sub\\keep.txt").c_str()));
    SendMessageA(dlg_, WM_TIMER, RELOAD_TIMER, 0);
    EXPECT_EQ(Text(IDC_FOLDER_MOMENT), Label(-30));
    EXPECT_EQ(FolderRows(), (std::vector<std::string>{Expected("gone.txt", -30), Expected("plan.txt", -30),
                                                      Row("sub\\keep.txt", -40, "4 bytes", "deleted")}));
}

// The whole moment back: the deleted file made again, the changed one given
// its old content with the present one kept, the file made since left.
TEST_F(FolderWindow, RestoreOfAMomentPutsItsFilesBackAndKeepsWhatItReplaces)
{
    OpenFolder();
    ChooseMoment(Label(-30));
    std::string asked, told;
    ModalAnswer question(BoxSaying("Put "), PressAndKeep(IDYES, &asked));
    ModalAnswer report(BoxSaying("2 files"), PressAndKeep(IDOK, &told));
    Press(IDC_FOLDER_RESTORE);
    ASSERT_TRUE(question.Finish());
    ASSERT_TRUE(report.Finish());
    EXPECT_EQ(asked, "Put 2 files back as they were at " + Label(-30) +
                         "? 1 deleted file is made again and 1 changed file is replaced; "
                         "its present content is kept as a copy.");
    EXPECT_EQ(told, "2 files were put back.");
    EXPECT_EQ(ReadText(folder_ + "\\gone.txt"), "gone");
    EXPECT_EQ(ReadText(folder_ + "\\plan.txt"), "v1");
    EXPECT_EQ(ReadText(folder_ + "\\new.txt"), "new");
    EXPECT_EQ(ReadText(folder_ + "\\sub\\keep.txt"), "keep");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((backup_ + "\\Before restore\\2*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    EXPECT_EQ(ReadText(backup_ + "\\Before restore\\" + data.cFileName + "\\" + Mapped("plan.txt")), "v2 new");
    EXPECT_EQ(FolderRows(), std::vector<std::string>{}) << "as it was then";
}

TEST_F(FolderWindow, RestoreToMakesTheFilesOfTheMomentInAnotherFolder)
{
    std::string out = scratch_ + "\\out";
    ASSERT_TRUE(CreateDirectoryA(out.c_str(), NULL));
    OpenFolder();
    ChooseMoment(Label(-30));
    ShowAll(true);
    std::string told;
    ModalAnswer browse(
        [this](HWND w) { return w != dlg_ && FindWindowExA(w, NULL, WC_TREEVIEWA, NULL) != NULL; },
        [&](HWND w) {
            // The browser fills its tree as it starts: choose until it shows the folder chosen.
            HWND tree = FindWindowExA(w, NULL, WC_TREEVIEWA, NULL);
            bool chosen = PumpUntil([&] {
                char text[MAX_PATH] = "";
                TVITEMA item = {};
                SendMessageA(w, BFFM_SETSELECTIONA, TRUE, (LPARAM)out.c_str());
                item.mask = TVIF_TEXT;
                item.hItem = TreeView_GetSelection(tree);
                item.pszText = text;
                item.cchTextMax = sizeof(text);
                return item.hItem != NULL && TreeView_GetItem(tree, &item) && lstrcmpA(text, "out") == 0;
            });
            PressButton(w, chosen ? IDOK : IDCANCEL);
        });
    ModalAnswer report(BoxSaying("3 files"), PressAndKeep(IDOK, &told));
    Press(IDC_FOLDER_RESTORE_TO);
    ASSERT_TRUE(browse.Finish());
    ASSERT_TRUE(report.Finish());
    EXPECT_EQ(told, "3 files were made in " + out + ".");
    EXPECT_EQ(ReadText(out + "\\gone.txt"), "gone");
    EXPECT_EQ(ReadText(out + "\\plan.txt"), "v1");
    EXPECT_EQ(ReadText(out + "\\sub\\keep.txt"), "keep");
    EXPECT_FALSE(PathExists(out + "\\new.txt"));
    EXPECT_EQ(ReadText(folder_ + "\\plan.txt"), "v2 new") << "the original stays";
    EXPECT_FALSE(PathExists(folder_ + "\\gone.txt"));
}

struct CommandCase {
    std::string at;     // "" for none, else minute k from now, or text as it is
    std::string path;   // below the scratch folder
    const char *title;  // "" for the usage box
    int control;        // its text, or the chosen row of the list
    std::string text;
};

// "/at" opens either window at the latest moment the copies show by then.
TEST_F(FolderWindow, AtOnTheCommandLineOpensEitherWindowAtThatMoment)
{
    auto local = [this](int k) {
        FILETIME utc = At(k, true), loc;
        SYSTEMTIME st;
        char text[32];
        FileTimeToLocalFileTime(&utc, &loc);
        FileTimeToSystemTime(&loc, &st);
        wsprintfA(text, "/at \"%04d-%02d-%02d %02d:%02d\" ", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
        return std::string(text);
    };
    FILETIME deleted = At(-25);
    const CommandCase cases[] = {
        {local(-29), "work", "work - " PRODUCT_TITLE " Copies", IDC_FOLDER_MOMENT, Label(-30)},
        {local(-27), "work", "work - " PRODUCT_TITLE " Copies", IDC_FOLDER_MOMENT, Label(-30)},
        {local(-29), "work\\plan.txt", "plan.txt - " PRODUCT_TITLE " Copies", IDC_COPY_LIST, "1"},
        {"", "work\\gone.txt", "gone.txt - " PRODUCT_TITLE " Copies", IDC_COPY_STATE,
         "Now: deleted at " + ShownTime(deleted)},
        {"/at \"yesterday\" ", "work", "", 0, "Usage: dxrestore.exe [/at"},
    };
    for (const CommandCase &c : cases) {
        SCOPED_TRACE(c.at + c.path);
        Child program;
        ASSERT_TRUE(program.Start(BinPath(COPIES_FILE), c.at + "\"" + scratch_ + "\\" + c.path + "\""));
        HWND window = WaitForTopWindow(NULL, c.title[0] ? c.title : PRODUCT_TITLE);
        ASSERT_NE(window, (HWND)NULL);
        if (c.title[0] == '\0')
            EXPECT_EQ(MessageBoxText(window).rfind(c.text, 0), 0u) << MessageBoxText(window);
        else if (c.control == IDC_COPY_LIST)
            EXPECT_EQ(std::to_string(RemoteListSelected(GetDlgItem(window, c.control))), c.text);
        else
            EXPECT_EQ(WindowText(GetDlgItem(window, c.control)), c.text);
        if (c.control == IDC_FOLDER_MOMENT) {
            EXPECT_EQ(RemoteListColumn(GetDlgItem(window, IDC_FOLDER_LIST), 0),
                      (std::vector<std::string>{"gone.txt", "plan.txt"}));
        }
        PostMessageA(window, WM_COMMAND, c.title[0] ? IDCANCEL : IDOK, 0);
        ASSERT_TRUE(program.WaitEnd(WAIT_BOUND_MS));
        EXPECT_EQ(program.ExitCode(), c.title[0] ? 0u : 1u);
    }
}

}  // namespace
