// The product key of the test's registry: cleaned, filled and read by tests.
#ifndef TEST_PRODUCT_KEY_H
#define TEST_PRODUCT_KEY_H

#include <windows.h>

#include <string>

#define TEST_PRODUCT_KEY "Software\\VELT Software\\Duplix"

// Deletes the product key with all its values (nothing outside it).
void CleanProductKey(void);

bool ProductKeyExists(void);
void PutString(const char *name, const std::string &text);
void PutDword(const char *name, DWORD value);
void PutRaw(const char *name, DWORD type, const void *data, DWORD size);
bool HasValue(const char *name);
// The stored text, or "<missing>".
std::string GetString(const char *name);
// The stored number; fails the test when missing.
DWORD GetDword(const char *name);

#endif
