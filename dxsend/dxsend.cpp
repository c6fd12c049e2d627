// dxsend: puts a file on the open settings window's backup list, or takes it
// off, from the command line.
#include "app/program.h"

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
    char path[MAX_PATH] = "";
    int code;
    HWND hWnd;

    code = argc == 3 ? ParseCode(argv[1]) : 0;
    if (code == 0)
        return Fail(EXIT_FAILED, USAGE);
    if (!MakeFullPath(argv[2], path))
        return Fail(EXIT_FAILED, "dxsend: the full path is longer than 259 characters.\n" USAGE);
    hWnd = FindWindowA(NULL, SETTINGS_TITLE);
    if (hWnd == NULL)
        return Fail(EXIT_NO_WINDOW, NO_WINDOW);
    if (!SendListRequest(hWnd, NULL, (DWORD)code, path, SEND_TIMEOUT_MS))
        return Fail(EXIT_FAILED, "The " SETTINGS_TITLE " window did not answer.");
    return EXIT_DELIVERED;
}
