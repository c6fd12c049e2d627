// Single values of the product key: each call checks its arguments, opens the
// key, does one value access and closes the key again, on every path.
#include "store/reg_value.h"

#include "app/program.h"

// Set by programs without a face (the notifier): nobody is there to answer
// a box, and it would hold their work until someone did.
static int g_quiet;

void SetRegistryErrorsQuiet(int quiet)
{
    g_quiet = quiet;
}

static void ShowPlainError(const char *text)
{
    if (g_quiet)
        return;
    MessageBoxA(NULL, text, PRODUCT_TITLE, MB_OK | MB_ICONERROR);
}

// The whole name must be readable, not only its first byte: the registry
// reads it up to its zero.
static int IsValidName(const char *name)
{
    return name != NULL && !IsBadStringPtrA(name, (UINT_PTR)-1) && name[0] != '\0';
}

static int IsReadableText(const char *text)
{
    return text != NULL && !IsBadStringPtrA(text, (UINT_PTR)-1);
}

// Called once the key is closed (or was never opened) and only then sets the
// code, so that the box explains the refusal and not what the close left.
static void ShowRefusal(LONG code, const char *text)
{
    SetLastError((DWORD)code);
    if (!g_quiet)
        ShowSystemError(text);
}

// Opens the product key, creating it and its parents when missing; shows the
// refusal and returns 0 when the registry will not.
static int OpenProductKey(HKEY hRoot, REGSAM access, const char *failText, HKEY *key)
{
    LONG rc;

    *key = NULL;
    rc = RegCreateKeyExA(hRoot, PRODUCT_KEY, 0, NULL, REG_OPTION_NON_VOLATILE, access, NULL, key, NULL);
    if (rc == ERROR_SUCCESS)
        return 1;
    ShowRefusal(rc, failText);
    return 0;
}

// RegQueryValueExA hands back the bytes as stored, and they need not end in
// a zero. Terminates them; bytes that fill the whole buffer without a zero
// at the end do not fit 259 characters, and that reads as missing.
static int TerminateText(char *buffer, DWORD size)
{
    if (size < MAX_PATH) {
        buffer[size] = '\0';
        return 1;
    }
    return size == MAX_PATH && buffer[MAX_PATH - 1] == '\0';
}

// One string value of an open key into buffer (MAX_PATH bytes), always
// terminated; 0 with it empty when missing or too long.
static int QueryText(HKEY key, const char *name, char *buffer)
{
    DWORD size = MAX_PATH;
    LONG rc = RegQueryValueExA(key, name, NULL, NULL, (LPBYTE)buffer, &size);

    // A failed query may have left part of a value behind (a value too long).
    if (rc != ERROR_SUCCESS || !TerminateText(buffer, size)) {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

int ReadRegString(HKEY hRoot, const char *name, char *buffer)
{
    HKEY key;
    int rc;

    if (!IsValidName(name)) {
        ShowPlainError("Error querying SZ value from registry. Invalid value name.");
        return 0;
    }
    if (buffer == NULL || IsBadWritePtr(buffer, MAX_PATH)) {
        ShowPlainError("Error querying SZ value from registry. Invalid return value.");
        return 0;
    }
    buffer[0] = '\0';
    if (!OpenProductKey(hRoot, KEY_QUERY_VALUE, "Error querying SZ value from registry. Can not open key.",
                        &key))
        return 0;
    rc = QueryText(key, name, buffer);
    RegCloseKey(key);
    return rc;
}

int ReadRegStrings(HKEY hRoot, int (*next)(char *name, void *context),
                   int (*found)(const char *text, void *context), void *context)
{
    char name[MAX_PATH], text[MAX_PATH];
    HKEY key;
    int count = 0;

    if (RegOpenKeyExA(hRoot, PRODUCT_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    while (next(name, context) && QueryText(key, name, text) && found(text, context))
        count++;
    RegCloseKey(key);
    return count;
}

int WriteRegString(HKEY hRoot, const char *name, const char *text)
{
    HKEY key;
    LONG rc;

    if (!IsValidName(name)) {
        ShowPlainError("Error writing SZ value to registry. Invalid value name.");
        return 0;
    }
    if (!IsReadableText(text)) {
        ShowPlainError("Error writing SZ value to registry. Invalid value.");
        return 0;
    }
    if (!OpenProductKey(hRoot, KEY_SET_VALUE, "Error writing SZ value to registry. Can not open key.", &key))
        return 0;
    rc = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)lstrlenA(text) + 1);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        ShowRefusal(rc, "Error writing SZ value to registry. Can not set value.");
        return 0;
    }
    return 1;
}

int ReadRegDword(HKEY hRoot, const char *name)
{
    HKEY key;
    LONG number = -1;
    DWORD size = sizeof(number);
    LONG rc;

    if (!IsValidName(name)) {
        ShowPlainError("Error querying DW value from registry. Invalid value name.");
        return -1;
    }
    if (!OpenProductKey(hRoot, KEY_QUERY_VALUE, "Error querying DW value from registry. Can not open key.",
                        &key))
        return -1;
    rc = RegQueryValueExA(key, name, NULL, NULL, (LPBYTE)&number, &size);
    RegCloseKey(key);
    // A shorter value fills only part of the number: no number was stored.
    if (rc != ERROR_SUCCESS || size != sizeof(number))
        return -1;
    return (int)number;
}

int WriteRegDword(HKEY hRoot, const char *name, int value)
{
    HKEY key;
    DWORD number = (DWORD)value;
    LONG rc;

    if (!IsValidName(name)) {
        ShowPlainError("Error writing DW value to registry. Invalid value name.");
        return 0;
    }
    if (!OpenProductKey(hRoot, KEY_SET_VALUE, "Error writing DW value to registry. Can not open key.", &key))
        return 0;
    rc = RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof(number));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        ShowRefusal(rc, "Error writing DW value to registry. Can not set value.");
        return 0;
    }
    return 1;
}

// The fixed text, an empty line and the system's text in a heap block sized
// for them and the zero; the fixed text alone when there is no system text.
// NULL when the heap has no room.
static char *JoinErrorText(const char *text, const char *system, DWORD systemLen)
{
    size_t textLen = (size_t)lstrlenA(text);
    size_t size = textLen + systemLen + 20;
    char *joined = (char *)HeapAlloc(GetProcessHeap(), 0, size);

    if (joined == NULL)
        return NULL;
    lstrcpynA(joined, text, (int)(textLen + 1));
    if (system != NULL && systemLen > 0) {
        lstrcpynA(joined + textLen, "\r\n\r\n", 5);
        lstrcpynA(joined + textLen + 4, system, (int)(systemLen + 1));
    }
    return joined;
}

void ShowSystemError(const char *text)
{
    DWORD code = GetLastError();
    char *system = NULL;
    DWORD systemLen;
    char *joined;

    if (text == NULL)
        text = "";
    systemLen = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, NULL,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&system, 0, NULL);
    // For a code without a text the system answers 0 and allocates nothing:
    // the fixed text then goes alone, without the empty line.
    joined = JoinErrorText(text, system, systemLen);
    if (joined != NULL) {
        MessageBoxA(NULL, joined, PRODUCT_TITLE, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        HeapFree(GetProcessHeap(), 0, joined);
    }
    if (system != NULL)
        LocalFree(system);
}
