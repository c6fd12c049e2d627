// dxsend: puts a file on the open settings window's backup list, or takes it
// off, from the command line.
#include "app/program.h"

#include <shellapi.h>
#include <stdio.h>

#define USAGE "usage: dxsend add PATH | dxsend remove PATH"
#define NO_WINDOW "No " SETTINGS_TITLE " window is open."
// The settings window answers at once, also with one of its own boxes up;
// a window that does not is hung, and the sender should not hang with it.
#define SEND_TIMEOUT_MS 10000

enum { EXIT_DELIVERED = 0, EXIT_FAILED = 1, EXIT_NO_WINDOW = 2 };

static int ParseCode(const char *verb)
{
    if (lstrcmpiA(verb, "add") == 0)
        return REQUEST_ADD_ITEM;
    if (lstrcmpiA(verb, "remove") == 0)
        return REQUEST_REMOVE_ITEM;
    return 0;
}

#define TOO_LONG "dxsend: the full path is longer than 259 characters.\n" USAGE
#define NOT_ANSI "dxsend: the name has a character that the ANSI code page cannot hold.\n" USAGE

// Room for a relative or roundabout argument whose full path still fits.
#define ARG_SIZE 1024

typedef LPWSTR *(WINAPI *SplitWideLine)(LPCWSTR, int *);
typedef LPWSTR(WINAPI *GetWideLine)(void);

// The path argument as typed, from the wide command line where the system
// has one (NT): the ANSI argv holds look-alikes ("Lodz" for "Łódź") of
// letters outside the code page. Windows 95 and 98 have only the ANSI line,
// and neither function, so they are looked up.
static int GetPathArgument(char **argv, char *arg)
{
    HMODULE shell = LoadLibraryA("shell32.dll");
    SplitWideLine split = shell ? (SplitWideLine)(void *)GetProcAddress(shell, "CommandLineToArgvW") : NULL;
    GetWideLine line = (GetWideLine)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetCommandLineW");
    LPWSTR *wide = NULL;
    int count = 0;
    DWORD error = ERROR_INSUFFICIENT_BUFFER;
    int ok;

    if (split != NULL && line != NULL && line() != NULL)
        wide = split(line(), &count);
    if (wide == NULL || count != 3) {
        ok = lstrlenA(argv[2]) < ARG_SIZE;
        lstrcpynA(arg, argv[2], ARG_SIZE);
    } else {
        ok = ConvertNameExactly(wide[2], arg, ARG_SIZE);
        error = GetLastError();
    }
    if (wide != NULL)
        LocalFree(wide);
    if (shell != NULL)
        FreeLibrary(shell);
    // The caller's message tells a long path from a name out of the code page.
    SetLastError(ok ? ERROR_SUCCESS : error);
    return ok;
}

// The dialog's list holds full paths; one that does not fit is refused, as
// the window would cut it to some other name.
static int MakeFullPath(const char *arg, char *full)
{
    char *filePart = NULL;
    DWORD len = GetFullPathNameA(arg, MAX_PATH, full, &filePart);

    return len != 0 && len < MAX_PATH;
}

static int Fail(int code, const char *message)
{
    fprintf(stderr, "%s\n", message);
    return code;
}

int main(int argc, char **argv)
{
    char arg[ARG_SIZE] = "";
    char path[MAX_PATH] = "";
    int code;
    HWND hWnd;

    code = argc == 3 ? ParseCode(argv[1]) : 0;
    if (code == 0)
        return Fail(EXIT_FAILED, USAGE);
    if (!GetPathArgument(argv, arg))
        return Fail(EXIT_FAILED, GetLastError() == ERROR_NO_UNICODE_TRANSLATION ? NOT_ANSI : TOO_LONG);
    if (!MakeFullPath(arg, path))
        return Fail(EXIT_FAILED, TOO_LONG);
    hWnd = FindWindowA(NULL, SETTINGS_TITLE);
    if (hWnd == NULL)
        return Fail(EXIT_NO_WINDOW, NO_WINDOW);
    if (!SendListRequest(hWnd, NULL, (DWORD)code, path, SEND_TIMEOUT_MS))
        return Fail(EXIT_FAILED, "The " SETTINGS_TITLE " window did not answer.");
    return EXIT_DELIVERED;
}
