// The real copies window, created in the test's process from the real
// template for a file whose copies the test lays out as the notifier does.
#ifndef TEST_COPIES_FIXTURE_H
#define TEST_COPIES_FIXTURE_H

#include "app/program.h"
#include "dxrestore/copies.h"
#include "dxrestore/resource.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/process.h"
#include "support/product_key.h"
#include "support/wait.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Where a copy lies: "" for the newest copy, else a ring folder and slot.
struct Place {
    const char *ring;
    int slot;
};

// A local time, minutes after 10:00 on 7 December 2026, as a file time.
inline FILETIME LocalTime(int minutes)
{
    SYSTEMTIME st = {2026, 12, 1, 7, 10, 0, 0, 0};
    FILETIME local, utc;
    SystemTimeToFileTime(&st, &local);
    ULONGLONG ticks = ((ULONGLONG)local.dwHighDateTime << 32 | local.dwLowDateTime) + minutes * 600000000ULL;
    local.dwLowDateTime = (DWORD)ticks;
    local.dwHighDateTime = (DWORD)(ticks >> 32);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

// The user's own formats, as a person reading the window expects them.
inline std::string ShownTime(const FILETIME &time)
{
    FILETIME local;
    SYSTEMTIME st;
    char date[64] = "", clock[64] = "";
    FileTimeToLocalFileTime(&time, &local);
    FileTimeToSystemTime(&local, &st);
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, NULL, date, sizeof(date));
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, NULL, clock, sizeof(clock));
    return std::string(date) + " " + clock;
}

// Any path, also past MAX_PATH, through the wide calls.
inline std::wstring LongName(const std::string &path)
{
    WCHAR wide[2048] = L"";
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 2048);
    return std::wstring(L"\\\\?\\") + wide;
}

inline bool WriteAt(const std::string &path, const std::string &text, const FILETIME &time)
{
    std::wstring wide = LongName(path);
    for (size_t at = wide.find(L'\\', 7); at != std::wstring::npos; at = wide.find(L'\\', at + 1))
        CreateDirectoryW(wide.substr(0, at).c_str(), NULL);
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD put = 0;
    bool ok = h != INVALID_HANDLE_VALUE && WriteFile(h, text.data(), (DWORD)text.size(), &put, NULL) &&
              SetFileTime(h, NULL, NULL, &time);
    CloseHandle(h);
    return ok && put == text.size();
}

// A message box of this process whose text starts with start.
inline std::function<bool(HWND)> BoxSaying(const std::string &start)
{
    return [start](HWND hwnd) { return MessageBoxText(hwnd).compare(0, start.size(), start) == 0; };
}

// Presses a button of the box and keeps its text.
inline std::function<void(HWND)> PressAndKeep(int button, std::string *text)
{
    return [button, text](HWND box) {
        *text = MessageBoxText(box);
        PressButton(box, button);
    };
}

class CopiesWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        CleanProductKey();
        scratch_ = MakeScratchFolder("duplix copies");
        backup_ = scratch_ + "\\backup";
        source_ = scratch_ + "\\work\\plan.txt";
        CreateDirectoryA(backup_.c_str(), NULL);
        PutString("BackupPath", backup_);
        PutString("ListItem0", scratch_ + "\\work");
    }
    void TearDown() override
    {
        if (dlg_ != NULL)
            DestroyWindow(dlg_);
        PumpPending();
        UnregisterViewer();
        RemoveFolderTree(scratch_);
        CleanProductKey();
    }

    // The copy's path, spelled out as the notifier lays it out.
    std::string CopyPath(const Place &place) const
    {
        std::string folder = backup_;
        if (place.ring[0] != '\0') {
            char slot[8];
            wsprintfA(slot, "\\%02d", place.slot);
            folder += std::string("\\") + place.ring + slot;
        }
        return folder + "\\" + source_.substr(0, 1) + source_.substr(2);
    }
    void PutCopy(const Place &place, const std::string &text, const FILETIME &time)
    {
        ASSERT_TRUE(WriteAt(CopyPath(place), text, time)) << CopyPath(place);
    }

    // Loads the window's data for path, as the program does, and opens it.
    void OpenWindow(const std::string &path)
    {
        ASSERT_EQ(LoadCopies(path.c_str(), &window_), 1);
        dlg_ = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_COPIES), NULL, CopiesDlgProc,
                                  (LPARAM)&window_);
        ASSERT_NE(dlg_, (HWND)NULL);
        PumpPending();
    }

    HWND Item(int id) const { return GetDlgItem(dlg_, id); }
    std::string Text(int id) const { return WindowText(Item(id)); }
    void Press(int id) { SendMessageA(dlg_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)Item(id)); }

    // Each row of a list of this process, its first columns joined by " | ".
    static std::vector<std::string> ListRows(HWND list, int columns)
    {
        std::vector<std::string> rows;
        int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        for (int row = 0; row < count; row++) {
            std::string line;
            for (int column = 0; column < columns; column++) {
                char text[KEPT_IN_SIZE] = "";
                LVITEMA item = {};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = sizeof(text);
                SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)&item);
                line += (column ? " | " : "") + std::string(text);
            }
            rows.push_back(line);
        }
        return rows;
    }
    // Each row as "Saved | Size | Kept in".
    std::vector<std::string> Rows() const { return ListRows(Item(IDC_COPY_LIST), 3); }
    int Selected() const
    {
        return (int)SendMessageA(Item(IDC_COPY_LIST), LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    }
    void Select(int row)
    {
        ListView_SetItemState(Item(IDC_COPY_LIST), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }

    // Files of a kind of the test's own open with the recorder, which
    // writes each path it is given to its log.
    std::string ViewerLog() const
    {
        return BinPath("").substr(0, BinPath("").find("\\..\\bin")) + "\\shell_recorder.log";
    }
    void RegisterViewer()
    {
        std::string recorder = ViewerLog().substr(0, ViewerLog().rfind('\\')) + "\\shell_recorder.exe";
        RegSetValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.dxview", REG_SZ, "DuplixTestView", 0);
        RegSetValueA(HKEY_LOCAL_MACHINE, (std::string(kViewKind) + "\\shell\\open\\command").c_str(), REG_SZ,
                     ("\"" + recorder + "\" \"%1\"").c_str(), 0);
        DeleteFileA(ViewerLog().c_str());
    }
    void UnregisterViewer()
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kViewKind);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.dxview");
        DeleteFileA(ViewerLog().c_str());
    }
    // The paths the recorder was given, once count of them are logged and
    // it has ended.
    std::vector<std::string> Viewed(size_t count) const
    {
        std::vector<std::string> opened;
        PumpUntil([&] {
            opened.clear();
            std::string text = ReadText(ViewerLog());
            for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
                opened.push_back(text.substr(at, end - at));
            return CountProcessesNamed("shell_recorder.exe") == 0 && opened.size() == count;
        });
        return opened;
    }
    static constexpr const char *kViewKind = "Software\\Classes\\DuplixTestView";

    std::string scratch_, backup_, source_;
    CopiesWindow window_ = {};
    HWND dlg_ = NULL;
};

#endif
