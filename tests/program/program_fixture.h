// Whole-program tests: the real Duplix.exe and dxnotify.exe under Wine.
#ifndef TEST_PROGRAM_FIXTURE_H
#define TEST_PROGRAM_FIXTURE_H

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "support/process.h"
#include "support/product_key.h"
#include "support/wait.h"

#define STOP_EVENT "myVELTDuplixEventStopWaiting"

// Whether some process holds the stop event, as a running notifier does.
inline bool EventExists()
{
    HANDLE h = OpenEventA(SYNCHRONIZE, FALSE, STOP_EVENT);
    if (h == NULL)
        return false;
    CloseHandle(h);
    return true;
}

// Stops every notifier that holds the event, one signal each.
inline void StopNotifiers()
{
    PumpUntil([] {
        HANDLE h = OpenEventA(EVENT_MODIFY_STATE, FALSE, STOP_EVENT);
        if (h == NULL)
            return CountProcessesNamed("dxnotify.exe") == 0;
        SetEvent(h);
        CloseHandle(h);
        return false;
    });
}

// Adds a file through Add File and the program's own file-open dialog.
inline void AddFileAsAUser(HWND dlg, const std::string &file)
{
    HWND list = GetDlgItem(dlg, 1001);
    int before = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    PostMessageA(GetDlgItem(dlg, 1073), BM_CLICK, 0, 0);
    HWND open = WaitForTopWindow(NULL, "VELT Duplix 98 - Please select a file");
    ASSERT_NE(open, (HWND)NULL);
    HWND combo = GetDlgItem(open, 0x47C);
    HWND edit = (HWND)SendMessageA(combo, CBEM_GETEDITCONTROL, 0, 0);
    if (edit == NULL)
        edit = GetDlgItem(open, 0x480);
    SendMessageA(edit, WM_SETTEXT, 0, (LPARAM)file.c_str());
    PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(open, IDOK));
    ASSERT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == before + 1; }));
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        duplix_ = BinPath("Duplix.exe");
        notifier_ = BinPath("dxnotify.exe");
        ASSERT_EQ(CountSettingsWindows(), 0) << "a settings window is left over from elsewhere";
    }

    // Starts Duplix.exe and waits for its settings window.
    HWND Open(Child &child, const std::string &args = "")
    {
        if (!child.Start(duplix_, args))
            return NULL;
        return WaitForSettingsWindow(child.Pid());
    }

    // Presses a button of the settings window as a click does.
    static void Click(HWND dlg, int id) { PostMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

    // Ends a program that shows its window with Cancel; its exit code.
    static DWORD CloseWithCancel(Child &child, HWND dlg)
    {
        Click(dlg, IDCANCEL);
        return child.WaitEnd(WAIT_BOUND_MS) ? child.ExitCode() : STILL_ACTIVE;
    }

    std::string duplix_;
    std::string notifier_;
};

// A whole-program test that starts and ends with no notifier running and
// no stored settings.
class CleanProgramTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        StopNotifiers();
        ASSERT_EQ(CountProcessesNamed("dxnotify.exe"), 0);
        CleanProductKey();
    }
    void TearDown() override
    {
        StopNotifiers();
        CleanProductKey();
    }
};

#endif
