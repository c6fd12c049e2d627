// The product key of the test's registry: cleaned, filled and read by tests.
#include "support/product_key.h"

#include <gtest/gtest.h>

#include <vector>

static HKEY OpenProductKey(REGSAM access)
{
    HKEY key = NULL;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, NULL, 0, access, NULL, &key, NULL),
              ERROR_SUCCESS);
    return key;
}

void CleanProductKey(void)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    // The key has values only; delete them, then the key itself.
    for (;;) {
        char name[1024];
        DWORD len = sizeof(name);
        if (RegEnumValueA(key, 0, name, &len, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (RegDeleteValueA(key, name) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY);
}

bool ProductKeyExists(void)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void PutRaw(const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key = OpenProductKey(KEY_SET_VALUE);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, (const BYTE *)data, size), ERROR_SUCCESS) << name;
    RegCloseKey(key);
}

void PutString(const char *name, const std::string &text)
{
    PutRaw(name, REG_SZ, text.c_str(), (DWORD)text.size() + 1);
}

void PutDword(const char *name, DWORD value)
{
    PutRaw(name, REG_DWORD, &value, sizeof(value));
}

bool HasValue(const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool found = RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

std::string GetString(const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "<missing>";
    std::vector<char> data(4096, '\0');
    DWORD size = (DWORD)data.size() - 1, type = 0;
    LONG rc = RegQueryValueExA(key, name, NULL, &type, (BYTE *)data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return "<missing>";
    return std::string(data.data());
}

DWORD GetDword(const char *name)
{
    HKEY key;
    DWORD value = 0xDEADBEEF, size = sizeof(value);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        ADD_FAILURE() << "no product key";
        return value;
    }
    EXPECT_EQ(RegQueryValueExA(key, name, NULL, NULL, (BYTE *)&value, &size), ERROR_SUCCESS) << name;
    RegCloseKey(key);
    return value;
}
