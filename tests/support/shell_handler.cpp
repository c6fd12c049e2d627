// Points a class's open command at the recorder program, and puts it back.
#include "support/shell_handler.h"

#include "support/process.h"
#include "support/wait.h"

#include <string.h>

// The machine's classes: Wine here reads no per-user classes for the shell.
static const char kClasses[] = "Software\\Classes\\";

static std::string OwnFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof(path));
    char *slash = strrchr(path, '\\');
    if (slash != NULL)
        *slash = '\0';
    return path;
}

RecordedLaunches::RecordedLaunches(const char *cls, const char *extension)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    log_ = std::string(temp) + "duplix-shell-recorder.log";
    DeleteFileA(log_.c_str());
    std::string recorder = OwnFolder() + "\\shell_recorder.exe";
    Point(std::string(kClasses) + cls + "\\shell\\open\\command",
          "\"" + recorder + "\" \"" + log_ + "\" \"%1\"");
    if (extension != NULL)
        Point(std::string(kClasses) + extension, cls);
}

void RecordedLaunches::Point(const std::string &key, const std::string &value)
{
    Saved saved;
    HKEY hKey = NULL;
    char old[1024] = "";
    DWORD size = sizeof(old) - 1;

    saved.key = key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        saved.existed = true;
        if (RegQueryValueExA(hKey, NULL, NULL, NULL, (BYTE *)old, &size) == ERROR_SUCCESS)
            saved.value = old;
        RegCloseKey(hKey);
    }
    saved_.push_back(saved);
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &hKey, NULL) ==
        ERROR_SUCCESS) {
        RegSetValueExA(hKey, NULL, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)value.size() + 1);
        RegCloseKey(hKey);
    }
}

RecordedLaunches::~RecordedLaunches()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        HKEY hKey = NULL;
        if (!it->existed) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, it->key.c_str());
            continue;
        }
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, it->key.c_str(), 0, KEY_WRITE, &hKey) == ERROR_SUCCESS) {
            RegSetValueExA(hKey, NULL, 0, REG_SZ, (const BYTE *)it->value.c_str(), (DWORD)it->value.size() + 1);
            RegCloseKey(hKey);
        }
    }
    DeleteFileA(log_.c_str());
}

static std::vector<std::string> ReadLines(const std::string &file)
{
    std::vector<std::string> lines;
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                           0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return lines;
    char data[8192] = "";
    DWORD got = 0;
    ReadFile(h, data, sizeof(data) - 1, &got, NULL);
    CloseHandle(h);
    std::string all(data, got);
    for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(all.substr(start, end - start));
    return lines;
}

std::vector<std::string> RecordedLaunches::Texts(size_t count)
{
    std::vector<std::string> lines;
    PumpUntil([&] {
        if (CountProcessesNamed("shell_recorder.exe") != 0)
            return false;
        lines = ReadLines(log_);
        return lines.size() >= count;
    });
    return lines;
}
