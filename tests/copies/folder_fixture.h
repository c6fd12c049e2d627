// A folder with files and their copies laid out by hand at chosen minutes
// of the last hour, as the notifier keeps them: the newest copies, a minute
// slot with its round record, and the deletion record.
#ifndef TEST_FOLDER_FIXTURE_H
#define TEST_FOLDER_FIXTURE_H

#include "copies_fixture.h"

#include "dxrestore/folder.h"
#include "layout/deletion_log.h"
#include "support/remote_list.h"

class FolderTest : public CopiesWindowTest {
protected:
    // The minutes of the tree: keep.txt made at minute -40, plan.txt and
    // gone.txt at -30, gone.txt deleted at -25, plan.txt changed and
    // new.txt made at -20 (each 10 s into the minute).
    void SetUp() override
    {
        CopiesWindowTest::SetUp();
        folder_ = scratch_ + "\\work";
        FILETIME now, local;
        GetSystemTimeAsFileTime(&now);
        FileTimeToLocalFileTime(&now, &local);
        minute_ = Ticks(local) - Ticks(local) % kMinute;
        if (!LaysTree())
            return;
        Lay("sub\\keep.txt", "keep", -40, true, true);
        Lay("plan.txt", "v2 new", -20, true, true);
        Lay("new.txt", "new", -20, true, true);
        Lay("gone.txt", "gone", -30, false, true);
        ASSERT_TRUE(WriteAt(SlotPath(-21) + "\\" + Mapped("plan.txt"), "v1", At(-30)));
        FILETIME deleted = At(-25);
        ASSERT_TRUE(AppendDeletion(backup_.c_str(), (folder_ + "\\gone.txt").c_str(), &deleted));
    }

    // The tree above, laid by hand; a test of the notifier's own copies says no.
    virtual bool LaysTree() const { return true; }
    static ULONGLONG Ticks(const FILETIME &t) { return (ULONGLONG)t.dwHighDateTime << 32 | t.dwLowDateTime; }
    // Minute k from the present one, 10 s into it unless exact (UTC).
    FILETIME At(int k, bool exact = false) const
    {
        ULONGLONG ticks = minute_ + (LONGLONG)k * (LONGLONG)kMinute + (exact ? 0 : 100000000ULL);
        FILETIME local = {(DWORD)ticks, (DWORD)(ticks >> 32)}, utc;
        LocalFileTimeToFileTime(&local, &utc);
        return utc;
    }
    // The moment that ends minute k, as the window labels it.
    std::string Label(int k) const { return ShownTime(At(k + 1, true)); }
    std::string Mapped(const std::string &name) const
    {
        return folder_.substr(0, 1) + folder_.substr(2) + "\\" + name;
    }
    // A minute slot of minute k, with the round record the notifier writes.
    std::string SlotPath(int k) const
    {
        ULONGLONG start = minute_ + (LONGLONG)k * (LONGLONG)kMinute;
        char name[16], round[40];
        wsprintfA(name, "\\%02d", (int)(start / kMinute % 60));
        std::string slot = backup_ + "\\" NEWEST_COPIES_FOLDER + name;
        FILETIME taken = At(k);
        wsprintfA(round, "%08lX%08lX %08lX%08lX\r\n", (DWORD)(start >> 32), (DWORD)start,
                  taken.dwHighDateTime, taken.dwLowDateTime);
        EXPECT_TRUE(WriteAt(slot + "\\" ROUND_FILE, round, taken));
        return slot;
    }
    void Lay(const std::string &name, const std::string &text, int k, bool present, bool copied)
    {
        if (present) {
            ASSERT_TRUE(WriteAt(folder_ + "\\" + name, text, At(k)));
        }
        if (copied) {
            ASSERT_TRUE(WriteAt(backup_ + "\\" + Mapped(name), text, At(k)));
        }
    }
    std::string Row(const char *name, int k, const char *size, const char *now) const
    {
        return std::string(name) + " | " + ShownTime(At(k)) + " | " + size + " | " + now;
    }

    void OpenFolder()
    {
        FILETIME none = {0, 0};
        ASSERT_EQ(LoadFolder(folder_.c_str(), &none, &folder_window_), 1);
        dlg_ = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_FOLDER), NULL, FolderDlgProc,
                                  (LPARAM)&folder_window_);
        ASSERT_NE(dlg_, (HWND)NULL);
        PumpPending();
    }
    void TearDown() override
    {
        CopiesWindowTest::TearDown();
        FreeFolder(&folder_window_);
    }
    // Chooses the moment labelled label, as a person does in the list.
    void ChooseMoment(const std::string &label)
    {
        HWND box = Item(IDC_FOLDER_MOMENT);
        int at = (int)SendMessageA(box, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)label.c_str());
        ASSERT_GE(at, 0) << label;
        SendMessageA(box, CB_SETCURSEL, at, 0);
        SendMessageA(dlg_, WM_COMMAND, MAKEWPARAM(IDC_FOLDER_MOMENT, CBN_SELCHANGE), (LPARAM)box);
    }
    void ShowAll(bool all)
    {
        CheckDlgButton(dlg_, IDC_FOLDER_ONLY, all ? BST_UNCHECKED : BST_CHECKED);
        Press(IDC_FOLDER_ONLY);
    }
    std::vector<std::string> Moments() const
    {
        std::vector<std::string> labels;
        int count = (int)SendMessageA(Item(IDC_FOLDER_MOMENT), CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; i++) {
            char text[TIME_TEXT_SIZE] = "";
            SendMessageA(Item(IDC_FOLDER_MOMENT), CB_GETLBTEXT, i, (LPARAM)text);
            labels.push_back(text);
        }
        return labels;
    }
    // Each row as "Name | Saved | Size | Now".
    std::vector<std::string> FolderRows() const { return ListRows(Item(IDC_FOLDER_LIST), 4); }

    static constexpr ULONGLONG kMinute = 600000000ULL;
    std::string folder_;
    ULONGLONG minute_ = 0;  // the start of the present local minute
    FolderWindow folder_window_ = {};
};

#endif
