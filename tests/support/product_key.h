// The product key of the test's registry: cleaned, filled and read by tests.
#ifndef TEST_PRODUCT_KEY_H
#define TEST_PRODUCT_KEY_H

#include <windows.h>

#include <string>

#define TEST_PRODUCT_KEY "Software\\VELT Software\\Duplix"

// Deletes the product key with all its values (nothing outside it).
void CleanProductKey(void);

bool ProductKeyExists(void);
// Number of values in the product key (-1 when there is no key).
int StoredValueCount(void);

// Stores bytes of any type and size straight into the product key.
void PutRaw(const char *name, DWORD type, const void *data, DWORD size);
// Stores text as REG_SZ with its zero.
void PutString(const char *name, const std::string &text);
void PutDword(const char *name, DWORD value);

struct RawValue {
    DWORD type = 0;
    std::string bytes;
};
// The stored value as it is; false when it is missing.
bool FetchRaw(const char *name, RawValue *value);
bool HasValue(const char *name);
// The stored REG_SZ text without its zero; "<missing>", "<type N>" or
// "<unterminated>" otherwise.
std::string GetString(const char *name);
// The stored number; fails the test when it is missing.
DWORD GetDword(const char *name);

// "ListItem" and the number, as the stored list names its values.
std::string ListItem(int index);

#endif
