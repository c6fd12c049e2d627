// The product key of the test's registry: cleaned, filled and read by tests.
#include "support/product_key.h"

#include <gtest/gtest.h>

#include <vector>

void CleanProductKey(void)
{
    LONG rc = RegDeleteTreeA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY);
    if (rc == ERROR_SUCCESS)
        rc = RegDeleteKeyA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY);
    EXPECT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) << rc;
}

bool ProductKeyExists(void)
{
    HKEY key;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

int StoredValueCount(void)
{
    HKEY key;
    DWORD values = 0;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return (int)values;
}

void PutRaw(const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);

    ASSERT_EQ(rc, ERROR_SUCCESS);
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

bool FetchRaw(const char *name, RawValue *value)
{
    HKEY key;
    std::vector<char> data(70000);
    DWORD size = (DWORD)data.size();
    LONG rc;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    rc = RegQueryValueExA(key, name, NULL, &value->type, (BYTE *)data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return false;
    value->bytes.assign(data.data(), size);
    return true;
}

bool HasValue(const char *name)
{
    RawValue value;
    return FetchRaw(name, &value);
}

std::string GetString(const char *name)
{
    RawValue value;

    if (!FetchRaw(name, &value))
        return "<missing>";
    if (value.type != REG_SZ)
        return "<type " + std::to_string(value.type) + ">";
    if (value.bytes.empty() || value.bytes.back() != '\0')
        return "<unterminated>";
    return value.bytes.substr(0, value.bytes.size() - 1);
}

DWORD GetDword(const char *name)
{
    RawValue value;
    DWORD number = 0xDEADBEEF;

    if (!FetchRaw(name, &value) || value.bytes.size() != sizeof(number)) {
        ADD_FAILURE() << name << " is not a stored number";
        return number;
    }
    memcpy(&number, value.bytes.data(), sizeof(number));
    return number;
}

std::string ListItem(int index)
{
    return "ListItem" + std::to_string(index);
}
