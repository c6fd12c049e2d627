// The real settings dialog, created in the test's process from the real
// template, and small ways to look at and drive it.
#ifndef TEST_DIALOG_FIXTURE_H
#define TEST_DIALOG_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

class SettingsDialog : public ::testing::Test {
protected:
    // Cleans the product key, calls Prepare, then opens the dialog.
    void SetUp() override;
    void TearDown() override;
    // Stores what the dialog should find when it opens.
    virtual void Prepare() {}

    HWND Item(int id) const { return GetDlgItem(dlg_, id); }
    HWND List() const;

    // Sends the dialog WM_COMMAND as a click on the control would.
    LRESULT Command(int id, WORD code = BN_CLICKED);

    // Whether the dialog has ended (EndDialog hides a modeless dialog).
    bool Ended() const { return !IsWindowVisible(dlg_); }

    std::vector<std::string> Entries() const;
    int Selected() const;
    int ColumnWidth() const;

    // The WM_COMMAND identifiers that reached the dialog since SetUp.
    std::vector<int> commands_;

    HWND dlg_ = NULL;

private:
    static LRESULT CALLBACK RecordCommands(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    WNDPROC original_ = NULL;
};

#endif
