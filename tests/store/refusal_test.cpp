// Refusals of the registry: the system error box with the system's own text
// for the refused code, the result, and the key closed on every path.
#include "store_fixture.h"

#include "store/reg_value.h"

namespace {

using RegistryRefusal = ProductKeyTest;

// A handle value that is no open key of this process.
const HKEY kNoKey = (HKEY)0x1234;

// The registry limits value names to 16383 characters and refuses a store
// under a longer one; the key itself opens fine.
const std::string kTooLongName(16384, 'n');

void ExpectSystemBox(const BoxSeen &box, const std::string &fixed, DWORD code)
{
    std::string system = SystemText(code);
    ASSERT_FALSE(system.empty()) << "the system has a text for " << code;
    ASSERT_TRUE(box.found) << "no box captioned VELT Duplix 98";
    EXPECT_EQ(box.text, fixed + "\r\n\r\n" + system);
    EXPECT_TRUE(box.errorIcon);
    EXPECT_TRUE(box.onlyOk);
    EXPECT_FALSE(box.owned);
    EXPECT_TRUE(box.foreground);
}

// The code the registry answers when the test itself stores under the name.
LONG DirectStoreCode(const std::string &name)
{
    HKEY key;
    DWORD number = 1;
    LONG rc;

    rc = RegCreateKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, (const BYTE *)&number, sizeof(number));
    RegCloseKey(key);
    return rc;
}

TEST_F(RegistryRefusal, KeyThatCannotBeOpenedShowsTheOperationsTextAndTheSystemsText)
{
    char buffer[MAX_PATH] = "untouched";
    {
        ErrorBox box;
        EXPECT_EQ(ReadRegString(kNoKey, "BackupPath", buffer), 0);
        ExpectSystemBox(box.Finish(), "Error querying SZ value from registry. Can not open key.",
                        ERROR_INVALID_HANDLE);
        EXPECT_STREQ(buffer, "");
    }
    {
        ErrorBox box;
        EXPECT_EQ(WriteRegString(kNoKey, "BackupPath", "C:\\Backup"), 0);
        ExpectSystemBox(box.Finish(), "Error writing SZ value to registry. Can not open key.",
                        ERROR_INVALID_HANDLE);
    }
    {
        ErrorBox box;
        EXPECT_EQ(ReadRegDword(kNoKey, "WndLeft"), -1);
        ExpectSystemBox(box.Finish(), "Error querying DW value from registry. Can not open key.",
                        ERROR_INVALID_HANDLE);
    }
    {
        ErrorBox box;
        EXPECT_EQ(WriteRegDword(kNoKey, "WndLeft", 12), 0);
        ExpectSystemBox(box.Finish(), "Error writing DW value to registry. Can not open key.",
                        ERROR_INVALID_HANDLE);
    }
    EXPECT_FALSE(ProductKeyExists()) << "nothing was created below HKEY_CURRENT_USER";
}

TEST_F(RegistryRefusal, RootKeyClosedBeforeTheCallCannotBeOpened)
{
    ErrorBox box;
    HKEY root;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &root), ERROR_SUCCESS);
    RegCloseKey(root);
    EXPECT_EQ(WriteRegDword(root, "WndTop", 3), 0);
    ExpectSystemBox(box.Finish(), "Error writing DW value to registry. Can not open key.",
                    ERROR_INVALID_HANDLE);
}

TEST_F(RegistryRefusal, RefusedStoreShowsTheSystemsTextForTheStoresCode)
{
    LONG code = DirectStoreCode(kTooLongName);
    ASSERT_NE(code, ERROR_SUCCESS) << "the registry takes a name of 16384 characters";
    {
        ErrorBox box;
        EXPECT_EQ(WriteRegString(HKEY_CURRENT_USER, kTooLongName.c_str(), "text"), 0);
        ExpectSystemBox(box.Finish(), "Error writing SZ value to registry. Can not set value.", (DWORD)code);
    }
    {
        ErrorBox box;
        EXPECT_EQ(WriteRegDword(HKEY_CURRENT_USER, kTooLongName.c_str(), 5), 0);
        ExpectSystemBox(box.Finish(), "Error writing DW value to registry. Can not set value.", (DWORD)code);
    }
    EXPECT_EQ(StoredValueCount(), 0);
}

TEST_F(RegistryRefusal, RefusedQueryIsAMissingValueWithoutABox)
{
    NoBox none;
    char buffer[MAX_PATH] = "untouched";
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kTooLongName.c_str(), buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, kTooLongName.c_str()), -1);
    EXPECT_TRUE(none.Stop().empty());
}

TEST_F(RegistryRefusal, NoPathLeavesTheKeyOpen)
{
    char buffer[MAX_PATH];
    auto everyPath = [&] {
        WriteRegString(HKEY_CURRENT_USER, "Text", "t");
        ReadRegString(HKEY_CURRENT_USER, "Text", buffer);
        ReadRegString(HKEY_CURRENT_USER, "Missing", buffer);
        ReadRegString(HKEY_CURRENT_USER, kTooLongName.c_str(), buffer);
        WriteRegDword(HKEY_CURRENT_USER, "Number", 1);
        ReadRegDword(HKEY_CURRENT_USER, "Number");
        ReadRegDword(HKEY_CURRENT_USER, "Missing");
        ErrorBox first;
        WriteRegString(HKEY_CURRENT_USER, kTooLongName.c_str(), "t");
        EXPECT_TRUE(first.Finish().found);
        ErrorBox second;
        WriteRegDword(HKEY_CURRENT_USER, kTooLongName.c_str(), 1);
        EXPECT_TRUE(second.Finish().found);
    };
    // The first round opens what the system keeps for later (the user's root key).
    everyPath();
    int before = OwnHandleCount();
    ASSERT_GT(before, 0) << "the system lists this process's handles";
    // A path that leaks leaks on every round; one handle more at the end can
    // be the answering thread's, still being closed as it ends.
    const int rounds = 4;
    for (int i = 0; i < rounds; i++)
        everyPath();
    EXPECT_LT(OwnHandleCount() - before, rounds) << "a key is left open on every round";
}

}  // namespace
