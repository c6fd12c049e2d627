// Starting the real programs from a test and watching them.
#include "support/process.h"

#include "support/wait.h"

#include <tlhelp32.h>

#include <string.h>

std::string BinPath(const char *file)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof(path));
    char *slash = strrchr(path, '\\');
    if (slash != NULL)
        *slash = '\0';
    // Tests live in build/<arch>/tests, the programs in build/<arch>/bin.
    return std::string(path) + "\\..\\bin\\" + file;
}

Child::~Child()
{
    Kill();
}

bool Child::Start(const std::string &exe, const std::string &args)
{
    std::string cmd = "\"" + exe + "\"";
    if (!args.empty())
        cmd += " " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    char line[2048] = "";
    lstrcpynA(line, cmd.c_str(), sizeof(line));
    return CreateProcessA(exe.c_str(), line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi_) != FALSE;
}

bool Child::WaitEnd(DWORD boundMs)
{
    return pi_.hProcess != NULL && PumpUntilSignalled(pi_.hProcess, boundMs);
}

bool Child::Running() const
{
    return pi_.hProcess != NULL && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Child::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (pi_.hProcess != NULL)
        GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

void Child::Kill()
{
    if (pi_.hProcess == NULL)
        return;
    if (Running()) {
        TerminateProcess(pi_.hProcess, 255);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
    pi_ = PROCESS_INFORMATION();
}

static std::string ReadAll(HANDLE pipe)
{
    std::string text;
    char chunk[512];
    DWORD got = 0;

    while (ReadFile(pipe, chunk, sizeof(chunk), &got, NULL) && got > 0)
        text.append(chunk, got);
    return text;
}

DWORD RunConsole(const std::string &exe, const std::string &args, std::string *output)
{
    WCHAR wide[2048] = L"";
    MultiByteToWideChar(CP_ACP, 0, args.c_str(), -1, wide, 2047);
    return RunConsole(exe, std::wstring(wide), output);
}

DWORD RunConsole(const std::string &exe, const std::wstring &args, std::string *output)
{
    SECURITY_ATTRIBUTES sa = {sizeof(sa), NULL, TRUE};
    HANDLE readEnd = NULL, writeEnd = NULL;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return STILL_ACTIVE;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    WCHAR program[MAX_PATH] = L"", line[2048] = L"";
    MultiByteToWideChar(CP_ACP, 0, exe.c_str(), -1, program, MAX_PATH - 1);
    std::wstring cmd = L"\"" + std::wstring(program) + L"\" " + args;
    lstrcpynW(line, cmd.c_str(), 2048);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi = {};
    // Wide, so that a name outside the ANSI code page reaches the program.
    BOOL started = CreateProcessW(program, line, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi);
    CloseHandle(writeEnd);
    DWORD code = STILL_ACTIVE;
    if (started) {
        PumpUntilSignalled(pi.hProcess);
        GetExitCodeProcess(pi.hProcess, &code);
        // A hung program would keep the pipe open and the read waiting.
        if (code == STILL_ACTIVE)
            TerminateProcess(pi.hProcess, 255);
        // A short message fits the pipe's buffer, so the program never
        // waits on a full pipe before its end.
        *output = ReadAll(readEnd);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(readEnd);
    return code;
}

struct FindArgs {
    DWORD pid;
    HWND found;
    int count;
};

static BOOL CALLBACK MatchSettings(HWND hwnd, LPARAM lParam)
{
    FindArgs *args = (FindArgs *)lParam;
    char title[64] = "";
    DWORD pid = 0;

    GetWindowTextA(hwnd, title, sizeof(title));
    if (lstrcmpA(title, "VELT Duplix 98 Settings") != 0)
        return TRUE;
    args->count++;
    GetWindowThreadProcessId(hwnd, &pid);
    if (args->found == NULL && (args->pid == 0 || args->pid == pid) && IsWindowVisible(hwnd))
        args->found = hwnd;
    return TRUE;
}

HWND FindSettingsWindow(DWORD pid)
{
    FindArgs args = {pid, NULL, 0};
    EnumWindows(MatchSettings, (LPARAM)&args);
    return args.found;
}

HWND WaitForSettingsWindow(DWORD pid)
{
    HWND found = NULL;
    PumpUntil([&] { return (found = FindSettingsWindow(pid)) != NULL; });
    return found;
}

int CountSettingsWindows(void)
{
    FindArgs args = {0, NULL, 0};
    EnumWindows(MatchSettings, (LPARAM)&args);
    return args.count;
}

struct CountArgs {
    DWORD pid;
    int count;
};

static BOOL CALLBACK CountVisible(HWND hwnd, LPARAM lParam)
{
    CountArgs *args = (CountArgs *)lParam;
    DWORD pid = 0;

    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == args->pid && IsWindowVisible(hwnd))
        args->count++;
    return TRUE;
}

int CountVisibleWindowsOf(DWORD pid)
{
    CountArgs args = {pid, 0};
    EnumWindows(CountVisible, (LPARAM)&args);
    return args.count;
}

int CountProcessesNamed(const char *exeName)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    int count = 0;

    if (snap == INVALID_HANDLE_VALUE)
        return -1;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName) == 0)
            count++;
    }
    CloseHandle(snap);
    return count;
}

double CpuTimeMs(DWORD pid)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    ULONGLONG total = 0;

    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry)) {
        if (entry.th32OwnerProcessID != pid)
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        FILETIME created, ended, kernel, user;
        if (thread != NULL && GetThreadTimes(thread, &created, &ended, &kernel, &user)) {
            total += ((ULONGLONG)kernel.dwHighDateTime << 32 | kernel.dwLowDateTime) +
                     ((ULONGLONG)user.dwHighDateTime << 32 | user.dwLowDateTime);
        }
        if (thread != NULL)
            CloseHandle(thread);
    }
    CloseHandle(snap);
    return total / 10000.0;
}

struct WindowSearch {
    DWORD pid;
    const char *className, *title;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param)
{
    WindowSearch *search = (WindowSearch *)param;
    char cls[64] = "", title[128] = "";
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    GetClassNameA(hwnd, cls, sizeof(cls));
    GetWindowTextA(hwnd, title, sizeof(title));
    if (pid != search->pid || lstrcmpA(cls, search->className) != 0)
        return TRUE;
    if (search->title != NULL && lstrcmpA(title, search->title) != 0)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND FindWindowOf(DWORD pid, const char *className, const char *title)
{
    WindowSearch search = {pid, className, title, NULL};
    EnumWindows(MatchWindow, (LPARAM)&search);
    return search.found;
}
