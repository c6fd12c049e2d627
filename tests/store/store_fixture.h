// The product key of the test prefix, cleaned around each test, plain access
// to it for arranging and checking stored values, and the error boxes of the
// store as the user sees them.
#ifndef TEST_STORE_FIXTURE_H
#define TEST_STORE_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>

#include "support/dialog_fixture.h"
#include "support/modal.h"
#include "support/product_key.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// The system's own text for an error code ("" when it has none).
std::string SystemText(DWORD code);

// Number of handles this process holds, as the system lists them.
int OwnHandleCount();

// No product key at the start of each test, and none left after it.
class ProductKeyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The real settings dialog over a clean product key.
class DialogOverCleanKey : public SettingsDialog {
protected:
    void SetUp() override;
    void TearDown() override;
};

// What a message box showed, read from the box itself.
struct BoxSeen {
    bool found = false;
    std::string text;
    bool errorIcon = false;
    bool onlyOk = false;
    bool owned = true;
    bool foreground = false;
};

// Waits on a second thread for the box captioned "VELT Duplix 98", reads it
// and presses OK, as a person would.
class ErrorBox {
public:
    ErrorBox();
    // Joins the helper; what the box showed (found false: no box came).
    BoxSeen Finish();

private:
    void Read(HWND box);

    BoxSeen seen_;
    ModalAnswer answer_;
};

// For calls that must show no box: answers every box captioned "VELT Duplix
// 98" that still comes, with OK, so that the test fails instead of hanging.
class NoBox {
public:
    NoBox();
    ~NoBox();
    // Stops watching; the texts of the boxes that came.
    std::vector<std::string> Stop();

private:
    std::atomic<bool> stop_{false};
    std::vector<std::string> texts_;
    std::thread worker_;
};

#endif
