// The notifier as the settings program relies on it, and the stop switch.
#include "program_fixture.h"

namespace {

// A notifier with an empty list ends at once: these have one entry.
class Notifier : public CleanProgramTest {
protected:
    void SetUp() override
    {
        CleanProgramTest::SetUp();
        PutString(ListItem(0).c_str(), "C:\\duplix-no-such-folder\\a.txt");
    }
};

TEST_F(Notifier, HoldsTheStopEventWhileRunningAndEndsWhenItIsSignalled)
{
    ASSERT_FALSE(EventExists()) << "no notifier runs before the test";
    Child notifier;
    ASSERT_TRUE(notifier.Start(notifier_));
    ASSERT_TRUE(PumpUntil(EventExists)) << "the notifier creates the event";
    EXPECT_TRUE(notifier.Running()) << "and keeps running";

    HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, STOP_EVENT);
    ASSERT_NE(stop, (HANDLE)NULL);
    SetEvent(stop);
    CloseHandle(stop);
    ASSERT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(notifier.ExitCode(), 0u);
    EXPECT_FALSE(EventExists()) << "the event is gone with the notifier";
}

TEST_F(Notifier, TheSwitchStopsARunningNotifierAndTheDialogOpensAllTheSame)
{
    Child notifier, duplix;
    ASSERT_TRUE(notifier.Start(notifier_));
    ASSERT_TRUE(PumpUntil(EventExists));

    HWND dlg = Open(duplix, "/exitdxnotify");
    ASSERT_NE(dlg, (HWND)NULL);
    EXPECT_TRUE(notifier.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(notifier.ExitCode(), 0u);
    EXPECT_EQ(CloseWithCancel(duplix, dlg), 0u);
}

TEST_F(Notifier, WithoutANotifierTheSwitchDoesNothingAndShowsNothing)
{
    ASSERT_FALSE(EventExists());
    Child duplix;
    HWND dlg = Open(duplix, "/exitdxnotify");
    ASSERT_NE(dlg, (HWND)NULL);
    // Start-up signals before it opens the dialog, so a box would be up by now.
    EXPECT_EQ(CountVisibleWindowsOf(duplix.Pid()), 1) << "the dialog and no message";
    EXPECT_EQ(CloseWithCancel(duplix, dlg), 0u);
}

}  // namespace
