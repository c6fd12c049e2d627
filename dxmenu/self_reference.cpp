// A reference of the DLL to itself, for a worker that must outlive the
// shell's hold on it. Taken by address where the system can, else by the
// name the system loaded it from: an ANSI name would fail for a folder the
// code page cannot hold, or one longer than MAX_PATH.
#include "dxmenu/server.h"

#include "app/program.h"

#ifndef GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004
#endif

// Enough for any path NT can load from (32,767 characters and the zero).
#define WIDE_PATH_CHARS 32768

typedef BOOL(WINAPI *GetModuleHandleExAFn)(DWORD, LPCSTR, HMODULE *);
typedef HMODULE(WINAPI *LoadLibraryWFn)(LPCWSTR);

// Windows XP and later: any address inside the DLL names it.
static HMODULE ReferenceByAddress(void)
{
    GetModuleHandleExAFn getHandleEx = (GetModuleHandleExAFn)FindKernelCall("GetModuleHandleExA");
    HMODULE module = NULL;

    if (getHandleEx == NULL ||
        !getHandleEx(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCSTR)&g_hModule, &module))
        return NULL;
    return module;
}

// Windows NT before XP: the wide name holds any path. The wide calls of
// Windows 95 and 98 fail, which leaves the ANSI name to them.
static HMODULE ReferenceByWideName(void)
{
    LoadLibraryWFn loadW = (LoadLibraryWFn)FindKernelCall("LoadLibraryW");
    WCHAR *name;
    DWORD len;
    HMODULE module = NULL;

    if (loadW == NULL)
        return NULL;
    // Too large for the caller's stack: Explorer's thread.
    name = (WCHAR *)HeapAlloc(GetProcessHeap(), 0, WIDE_PATH_CHARS * sizeof(WCHAR));
    if (name == NULL)
        return NULL;
    len = GetModuleFileNameW(g_hModule, name, WIDE_PATH_CHARS);
    if (len != 0 && len < WIDE_PATH_CHARS)
        module = loadW(name);
    HeapFree(GetProcessHeap(), 0, name);
    return module;
}

// Windows 95 and 98 know only ANSI names, in their own code page and within
// MAX_PATH, so theirs always fits.
static HMODULE ReferenceByAnsiName(void)
{
    char name[MAX_PATH] = "";
    DWORD len = GetModuleFileNameA(g_hModule, name, sizeof(name));

    if (len == 0 || len >= sizeof(name))
        return NULL;
    return LoadLibraryA(name);
}

HMODULE ReferenceSelf(void)
{
    HMODULE module = ReferenceByAddress();

    if (module == NULL)
        module = ReferenceByWideName();
    if (module == NULL)
        module = ReferenceByAnsiName();
    return module;
}
