// The context-menu extension's registration with the shell, renewed on every start.
#include "app/program.h"

#define HANDLER_KEY "*\\shellex\\ContextMenuHandlers\\" EXTENSION_HANDLER
#define CLASS_KEY "CLSID\\" EXTENSION_CLSID
#define SERVER_KEY CLASS_KEY "\\InProcServer32"

static HKEY CreateClassesKey(const char *subKey)
{
    HKEY key = NULL;

    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return NULL;
    return key;
}

// Stores the buffer's text with its zero; the outcome is not looked at.
static void StoreBuffer(HKEY key, const char *name, const char *buffer)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)buffer, (DWORD)lstrlenA(buffer) + 1);
}

// Writes one text as the default value of a key of its own.
static void RegisterDefaultText(const char *subKey, char *buffer, const char *text)
{
    HKEY key = CreateClassesKey(subKey);

    if (key == NULL)
        return;
    lstrcpynA(buffer, text, MAX_PATH);
    StoreBuffer(key, NULL, buffer);
    RegCloseKey(key);
}

void RegisterShellExtension(void)
{
    char buffer[MAX_PATH] = "";
    HKEY key;

    RegisterDefaultText(HANDLER_KEY, buffer, EXTENSION_CLSID);
    RegisterDefaultText(CLASS_KEY, buffer, EXTENSION_NAME);
    key = CreateClassesKey(SERVER_KEY);
    if (key == NULL)
        return;
    // A program path without a folder, or a folder too long for the file
    // name, leaves the server path as it was rather than name another file.
    if (GetCompanionPath(EXTENSION_FILE, buffer))
        StoreBuffer(key, NULL, buffer);
    lstrcpynA(buffer, "Apartment", MAX_PATH);
    StoreBuffer(key, "ThreadingModel", buffer);
    RegCloseKey(key);
}
