// The product key of the test prefix, cleaned around each test, plain access
// to it for arranging and checking stored values, and the error boxes of the
// store as the user sees them.
#ifndef TEST_STORE_FIXTURE_H
#define TEST_STORE_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>

#include "support/dialog_fixture.h"
#include "support/modal.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#define TEST_PRODUCT_KEY "Software\\VELT Software\\Duplix"

// Removes the product key with everything in it; nothing outside it.
void DeleteProductKey();
bool ProductKeyExists();
// Number of values in the product key (-1 when there is no key).
int StoredValueCount();

// Stores bytes of any type and size straight into the product key.
void StoreRaw(const char *name, DWORD type, const void *data, DWORD size);
// Stores text as REG_SZ with its zero.
void StoreText(const char *name, const std::string &text);

struct RawValue {
    DWORD type = 0;
    std::string bytes;
};
// The stored value as it is; false when it is missing.
bool FetchRaw(const char *name, RawValue *value);
// The stored REG_SZ value without its zero; "<missing>" or "<type N>" else.
std::string FetchText(const char *name);

// "ListItem" and the number, as the stored list names its values.
std::string ListItem(int index);

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
