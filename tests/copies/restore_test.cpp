// Restore and Save As on the chosen version, answered as a person would.
#include "copies_fixture.h"

#include "support/process.h"

#include <commdlg.h>

namespace {

const Place kDay7 = {"c Last Month - One per Day", 7};
const char kKeptIn[] = "Its present content will be kept in:\n";

class Restore : public CopiesWindowTest {
protected:
    // Presses Restore and answers the question, after doing meanwhile
    // while it is up; its text.
    std::string RestoreAnswering(int button, std::function<void()> meanwhile = [] {})
    {
        std::string asked, *text = &asked;
        ModalAnswer question(BoxSaying("Put the version of plan.txt saved " + ShownTime(LocalTime(0))),
                             [=](HWND box) {
                                 meanwhile();
                                 PressAndKeep(button, text)(box);
                             });
        Press(IDC_RESTORE_COPY);
        EXPECT_TRUE(question.Finish());
        return asked;
    }
    bool KeptAnything() const { return PathExists(backup_ + "\\Before restore"); }
    // Where the note after a restore says the replaced content went; "" for
    // nowhere.
    std::string KeptIn() const
    {
        std::string note = Text(IDC_COPY_NOTE), mark = " The content it replaced is kept in ";
        size_t at = note.find(mark);
        return at == std::string::npos ? "" : note.substr(at + mark.size());
    }
};

// Yes puts the version back and keeps the replaced content where the
// question said; No changes nothing.
TEST_F(Restore, YesPutsTheVersionBackAndKeepsThePresentContentWhereItSaid)
{
    for (int button : {IDNO, IDYES}) {
        SCOPED_TRACE(button);
        ASSERT_TRUE(WriteText(source_, "present"));
        PutCopy(kDay7, "saved", LocalTime(0));
        OpenWindow(source_);
        std::string asked = RestoreAnswering(button);
        size_t at = asked.find(kKeptIn);
        ASSERT_NE(at, std::string::npos) << asked;
        std::string keep = asked.substr(at + sizeof(kKeptIn) - 1);
        EXPECT_EQ(keep.rfind(backup_ + "\\Before restore\\", 0), 0u) << keep;
        EXPECT_EQ(keep.substr(keep.size() - 14), "\\work\\plan.txt") << keep;
        if (button == IDNO) {
            EXPECT_EQ(ReadText(source_), "present");
            EXPECT_FALSE(KeptAnything());
        } else {
            EXPECT_EQ(ReadText(source_), "saved");
            EXPECT_EQ(ReadText(keep), "present");
            EXPECT_NE(Text(IDC_COPY_NOTE).find(keep), std::string::npos) << Text(IDC_COPY_NOTE);
            EXPECT_FALSE(PathExists(source_ + ".~dx"));
        }
        DestroyWindow(dlg_);
        dlg_ = NULL;
    }
}

TEST_F(Restore, ADeletedFileIsPutBackWithItsFolder)
{
    PutCopy(kDay7, "saved", LocalTime(0));
    OpenWindow(source_);
    EXPECT_EQ(Text(IDC_COPY_STATE), "Now: missing");
    std::string asked = RestoreAnswering(IDYES);
    EXPECT_NE(asked.find("The file is not there now."), std::string::npos) << asked;
    EXPECT_EQ(ReadText(source_), "saved");
    EXPECT_FALSE(KeptAnything()) << "nothing to keep";
    EXPECT_EQ(Text(IDC_COPY_STATE).rfind("Now: changed at " + ShownTime(LocalTime(0)), 0), 0u);
}

// Held open without sharing: a message, and the file stays as it was.
TEST_F(Restore, AFileInUseIsLeftAsItWasWithAMessage)
{
    ASSERT_TRUE(WriteText(source_, "present"));
    PutCopy(kDay7, "saved", LocalTime(0));
    OpenWindow(source_);
    HANDLE held = CreateFileA(source_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string told;
    ModalAnswer message(BoxSaying("plan.txt is in use by another program"), PressAndKeep(IDOK, &told));
    RestoreAnswering(IDYES);
    EXPECT_TRUE(message.Finish());
    CloseHandle(held);
    EXPECT_EQ(told, "plan.txt is in use by another program, so it was left as it was.\n\n"
                    "Close it there, then try again.");
    EXPECT_EQ(ReadText(source_), "present");
    EXPECT_FALSE(KeptAnything());
    EXPECT_FALSE(PathExists(source_ + ".~dx"));
}

// Copies under paths past MAX_PATH are found and put back like the others.
TEST_F(Restore, CopiesPastMaxPathAreFoundAndRestored)
{
    backup_ = scratch_ + "\\" + std::string(120, 'b') + "\\" + std::string(100, 'c');
    ASSERT_TRUE(WriteAt(backup_ + "\\probe", "", LocalTime(0)));
    PutString("BackupPath", backup_);
    ASSERT_TRUE(WriteText(source_, "present"));
    PutCopy(kDay7, "saved", LocalTime(0));
    ASSERT_GT(CopyPath(kDay7).size(), 300u);
    OpenWindow(source_);
    ASSERT_EQ(Rows().size(), 1u);
    EXPECT_EQ(Rows()[0], ShownTime(LocalTime(0)) + " | 5 bytes | Day 07");
    std::string asked = RestoreAnswering(IDYES);
    EXPECT_EQ(ReadText(source_), "saved");
    std::string keep = asked.substr(asked.find(kKeptIn) + sizeof(kKeptIn) - 1);
    HANDLE h =
        CreateFileW(LongName(keep).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    char text[16] = "";
    DWORD got = 0;
    ReadFile(h, text, sizeof(text), &got, NULL);
    CloseHandle(h);
    EXPECT_EQ(std::string(text, got), "present") << keep;
}

// The Save dialog starts in the file's folder with its name; the version
// goes where the user types, whole.
TEST_F(Restore, SaveAsWritesTheVersionWhereTheUserPicks)
{
    ASSERT_TRUE(WriteText(source_, "present"));
    PutCopy(kDay7, "saved", LocalTime(0));
    OpenWindow(source_);
    std::string target = scratch_ + "\\elsewhere.txt", name, folder;
    ModalAnswer save(PRODUCT_TITLE " - Save the version as", NULL, [&](HWND dlg) {
        char text[MAX_PATH] = "";
        SendMessageA(dlg, CDM_GETSPEC, sizeof(text), (LPARAM)text);
        name = text;
        SendMessageA(dlg, CDM_GETFOLDERPATH, sizeof(text), (LPARAM)text);
        folder = text;
        SendMessageA(FileNameBox(dlg), WM_SETTEXT, 0, (LPARAM)target.c_str());
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDOK));
    });
    Press(IDC_SAVE_COPY);
    ASSERT_TRUE(save.Finish());
    EXPECT_EQ(name, "plan.txt");
    EXPECT_EQ(lstrcmpiA(folder.c_str(), (scratch_ + "\\work").c_str()), 0) << folder;
    EXPECT_EQ(ReadText(target), "saved");
    EXPECT_EQ(ReadText(source_), "present");
    EXPECT_FALSE(PathExists(target + ".~dx"));
}

// What is kept is decided once the question is answered: the file may be
// deleted, made or changed while it is up.
TEST_F(Restore, WhatIsKeptIsDecidedAfterTheAnswer)
{
    struct {
        const char *before, *meanwhile;  // the file's text; NULL: none
    } cases[] = {{"present", NULL}, {NULL, "made meanwhile"}, {"present", "changed meanwhile"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.meanwhile ? c.meanwhile : "deleted meanwhile");
        RemoveFolderTree(scratch_);
        if (c.before != NULL) {
            ASSERT_TRUE(WriteText(source_, c.before));
        }
        PutCopy(kDay7, "saved", LocalTime(0));
        OpenWindow(source_);
        std::string asked = RestoreAnswering(IDYES, [&] {
            if (c.meanwhile != NULL)
                WriteText(source_, c.meanwhile);
            else
                DeleteFileA(source_.c_str());
        });
        size_t said = asked.find(kKeptIn);
        EXPECT_EQ(said != std::string::npos, c.before != NULL) << asked;
        EXPECT_EQ(ReadText(source_), "saved");
        EXPECT_EQ(ReadText(KeptIn()), c.meanwhile ? c.meanwhile : "<missing>") << Text(IDC_COPY_NOTE);
        EXPECT_EQ(KeptAnything(), c.meanwhile != NULL);
        if (c.meanwhile != NULL && said != std::string::npos) {
            EXPECT_EQ(asked.substr(said + sizeof(kKeptIn) - 1), KeptIn()) << "where it said";
        }
        DestroyWindow(dlg_);
        dlg_ = NULL;
    }
}

// Put back in place, the file keeps what it was marked with.
TEST_F(Restore, TheRestoredFileKeepsItsAttributes)
{
    const DWORD marks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    ASSERT_TRUE(WriteText(source_, "present"));
    ASSERT_TRUE(SetFileAttributesA(source_.c_str(), marks));
    PutCopy(kDay7, "saved", LocalTime(0));
    OpenWindow(source_);
    RestoreAnswering(IDYES);
    EXPECT_EQ(ReadText(source_), "saved");
    EXPECT_EQ(GetFileAttributesA(source_.c_str()) & marks, marks);
    EXPECT_EQ(ReadText(KeptIn()), "present");
}

// The file under its 8.3 name is still the file: saving over it is a
// restore that keeps the present content first.
TEST_F(Restore, SaveAsOntoTheFilesShortNameIsARestore)
{
    ASSERT_TRUE(WriteText(source_, "present"));
    PutCopy(kDay7, "saved", LocalTime(0));
    char spelt[MAX_PATH] = "";
    DWORD len = GetShortPathNameA(source_.c_str(), spelt, sizeof(spelt));
    if (len == 0 || len >= sizeof(spelt) || lstrcmpiA(spelt, source_.c_str()) == 0)
        GTEST_SKIP() << "this system gives no other short name for " << source_;
    OpenWindow(source_);
    const char title[] = PRODUCT_TITLE " - Save the version as";
    ModalAnswer save(title, NULL, [&](HWND dlg) {
        SendMessageA(FileNameBox(dlg), WM_SETTEXT, 0, (LPARAM)spelt);
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDOK));
    });
    // The Save dialog asks before it names a file that is there.
    ModalAnswer replace([&](HWND box) { return WindowText(box) == title && !MessageBoxText(box).empty(); },
                        [](HWND box) { PressButton(box, IDYES); });
    Press(IDC_SAVE_COPY);
    EXPECT_TRUE(save.Finish());
    EXPECT_TRUE(replace.Finish());
    EXPECT_EQ(ReadText(source_), "saved");
    EXPECT_EQ(ReadText(KeptIn()), "present") << Text(IDC_COPY_NOTE);
}

// A restore cut short on Windows 9x may leave the old file aside and none
// in place, and its temporary beside it: the next start puts that right.
TEST_F(Restore, AFileLeftAsideByACutRestoreIsPutBackAtTheNextStart)
{
    ASSERT_TRUE(WriteText(source_ + ".~old", "present"));
    ASSERT_TRUE(WriteText(source_ + ".~dx", "half a vers"));
    OpenWindow(source_);
    EXPECT_EQ(ReadText(source_), "present");
    EXPECT_FALSE(PathExists(source_ + ".~old"));
    EXPECT_FALSE(PathExists(source_ + ".~dx"));
}

}  // namespace

namespace {

// The shell opens the version with the program of its kind: here the
// recorder, registered for a kind of file of the test's own meanwhile.
TEST_F(Restore, OpenShowsAReadOnlyCopyOfTheVersionWithItsProgram)
{
    RegisterViewer();
    source_ = scratch_ + "\\work\\view.dxview";
    PutCopy(kDay7, "saved", LocalTime(0));
    PutCopy({"", 0}, "newer", LocalTime(5));
    OpenWindow(source_);
    // The older version, chosen as a click on its row would.
    Select(1);
    std::vector<std::string> opened;
    for (size_t time = 1; time <= 2; time++) {
        Press(IDC_OPEN_COPY);
        opened = Viewed(time);
    }
    ASSERT_EQ(opened.size(), 2u) << "opened again while the first is shown";
    EXPECT_EQ(opened[0], opened[1]);
    EXPECT_NE(opened[0].find("\\view (saved 2026-12-07 10-00-00).dxview"), std::string::npos) << opened[0];
    EXPECT_EQ(ReadText(opened[0]), "saved");
    EXPECT_NE(GetFileAttributesA(opened[0].c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesA(opened[0].c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(opened[0].c_str());
}

}  // namespace
