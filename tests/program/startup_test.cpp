// Start-up of the real program: the switch, one window at a time, exit codes.
#include "program_fixture.h"

#include <vector>

namespace {

class Startup : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        // A manual-reset event of the test's own keeps a signal for us to see.
        stop_ = CreateEventA(NULL, TRUE, FALSE, STOP_EVENT);
        ASSERT_NE(stop_, (HANDLE)NULL);
        ASSERT_NE(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS) << "a notifier is still running";
    }
    void TearDown() override
    {
        if (stop_)
            CloseHandle(stop_);
    }
    bool Signalled() const { return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0; }

    HANDLE stop_ = NULL;
};

TEST_F(Startup, SecondStartEndsWith1AndOpensNoSecondWindow)
{
    Child first, second;
    HWND dlg = Open(first);
    ASSERT_NE(dlg, (HWND)NULL);

    ASSERT_TRUE(second.Start(duplix_));
    ASSERT_TRUE(second.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(second.ExitCode(), 1u);
    EXPECT_EQ(CountSettingsWindows(), 1);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(FindSettingsWindow(), dlg) << "the first window is the one left";

    EXPECT_EQ(CloseWithCancel(first, dlg), 0u);
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(Startup, AnyTopLevelWindowWithTheTitleCountsAsAnOpenDialog)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "NotTheSettingsDialog";
    RegisterClassA(&wc);
    HWND other = CreateWindowA("NotTheSettingsDialog", "VELT Duplix 98 Settings", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                               100, NULL, NULL, wc.hInstance, NULL);
    ASSERT_NE(other, (HWND)NULL);

    Child child;
    ASSERT_TRUE(child.Start(duplix_));
    EXPECT_TRUE(child.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(child.ExitCode(), 1u);
    EXPECT_EQ(CountSettingsWindows(), 1);
    DestroyWindow(other);
}

TEST_F(Startup, SwitchInAnyCaseAndAnyPlaceSignalsTheStopEventAndTheDialogOpens)
{
    const char *lines[] = {"/exitdxnotify", "/EXITDXNOTIFY", "/ExitDxNotify", "x/exitdxnotifyz",
                           "first \"second /exitDXnotify\" third"};
    for (const char *line : lines) {
        SCOPED_TRACE(line);
        ResetEvent(stop_);
        Child child;
        HWND dlg = Open(child, line);
        ASSERT_NE(dlg, (HWND)NULL) << "the dialog opens as usual";
        EXPECT_TRUE(Signalled());
        EXPECT_EQ(CloseWithCancel(child, dlg), 0u);
    }
}

TEST_F(Startup, WithoutTheSwitchTheStopEventStaysUnsignalled)
{
    const char *lines[] = {"", "/exit dxnotify", "exitdxnotify", "/exitdxnotif", "-exitdxnotify", "any other words"};
    for (const char *line : lines) {
        SCOPED_TRACE(line);
        Child child;
        HWND dlg = Open(child, line);
        ASSERT_NE(dlg, (HWND)NULL);
        EXPECT_FALSE(Signalled());
        EXPECT_EQ(CloseWithCancel(child, dlg), 0u);
    }
}

TEST_F(Startup, SwitchWhileADialogIsOpenSignalsAndThenEndsWith1)
{
    Child first, second;
    HWND dlg = Open(first);
    ASSERT_NE(dlg, (HWND)NULL);

    ASSERT_TRUE(second.Start(duplix_, "/exitdxnotify"));
    ASSERT_TRUE(second.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(second.ExitCode(), 1u);
    EXPECT_TRUE(Signalled());
    EXPECT_EQ(CountSettingsWindows(), 1);
    EXPECT_EQ(CloseWithCancel(first, dlg), 0u);
}

enum class Ending { Ok, Cancel, Escape, CloseBox };

void EndAs(HWND dlg, Ending how)
{
    switch (how) {
    case Ending::Ok:
        PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
        break;
    case Ending::Cancel:
        PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
        break;
    case Ending::Escape:
        // To the OK button, which has the focus; the dialog's own loop
        // turns the key into Cancel.
        PostMessageA(GetDlgItem(dlg, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        break;
    case Ending::CloseBox:
        PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

TEST_F(Startup, ExitCodeIsZeroAfterOkCancelEscapeAndTheCloseBox)
{
    const char *names[] = {"OK", "Cancel", "Escape", "close box"};
    Ending ways[] = {Ending::Ok, Ending::Cancel, Ending::Escape, Ending::CloseBox};
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(names[i]);
        Child child;
        HWND dlg = Open(child);
        ASSERT_NE(dlg, (HWND)NULL);
        EndAs(dlg, ways[i]);
        ASSERT_TRUE(child.WaitEnd(WAIT_BOUND_MS));
        EXPECT_EQ(child.ExitCode(), 0u);
        EXPECT_EQ(CountSettingsWindows(), 0);
    }
}

}  // namespace
