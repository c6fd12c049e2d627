// Whole-program tests: the real Duplix.exe and dxnotify.exe under Wine.
#ifndef TEST_PROGRAM_FIXTURE_H
#define TEST_PROGRAM_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>

#include "support/process.h"
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

#endif
