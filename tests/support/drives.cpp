// Drive letters as links in Wine's dosdevices folder.
#include "support/drives.h"

#include "support/wait.h"

#include <windows.h>

typedef char *(CDECL *UnixNameCall)(LPCWSTR);

// The link's Linux path; empty where this is not Wine.
static std::string DriveLink(char letter)
{
    char prefix[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    if (length == 0 || length >= sizeof(prefix))
        return "";
    return std::string(prefix) + "/dosdevices/" + letter + ":";
}

static std::string UnixPathOf(const std::string &folder)
{
    WCHAR wide[MAX_PATH];
    UnixNameCall call =
        (UnixNameCall)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (call == NULL || MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH) == 0)
        return "";
    char *name = call(wide);
    std::string path = name != NULL ? name : "";
    if (name != NULL)
        HeapFree(GetProcessHeap(), 0, name);
    return path;
}

// Starts a Linux program of /bin, named in full: without an extension the
// system would look for ".exe". Wine gives no handle to wait on for such a
// process, so callers wait for what it does.
static bool StartLinux(const char *program, const std::string &arguments)
{
    STARTUPINFOA start = {};
    PROCESS_INFORMATION process = {};
    std::string file = std::string("Z:\\bin\\") + program, command = file + " " + arguments;
    start.cb = sizeof(start);
    if (!CreateProcessA(file.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &start, &process))
        return false;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}

static bool IsThere(const std::string &root)
{
    return GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string MakeDrive(char letter, const std::string &folder)
{
    std::string link = DriveLink(letter), target = UnixPathOf(folder);
    std::string root = std::string(1, letter) + ":\\";
    if (link.empty())
        return "no Wine prefix is named";
    if (target.empty())
        return "no Linux path for " + folder;
    if (IsThere(root))
        return root + " is taken";
    if (!StartLinux("ln", "-s \"" + target + "\" \"" + link + "\""))
        return "ln does not start";
    if (!PumpUntil([&] { return IsThere(root); }))
        return root + " did not come";
    return "";
}

void RemoveDrive(char letter)
{
    std::string link = DriveLink(letter), root = std::string(1, letter) + ":\\";
    if (!link.empty() && IsThere(root) && StartLinux("rm", "-f \"" + link + "\""))
        PumpUntil([&] { return !IsThere(root); });
}
