// Starting the real programs from a test and watching them.
#ifndef TEST_PROCESS_H
#define TEST_PROCESS_H

#include <windows.h>

#include <string>

// Full path of a program in the build's bin folder, beside the installed ones.
std::string BinPath(const char *file);

class Child {
public:
    Child() = default;
    ~Child();
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    // Starts the program with the arguments after its own quoted name.
    bool Start(const std::string &exe, const std::string &args = "");
    // Waits, pumping this thread's messages, for the end; true when it ended.
    bool WaitEnd(DWORD boundMs);
    bool Running() const;
    DWORD ExitCode() const;
    DWORD Pid() const { return pi_.dwProcessId; }
    HANDLE Handle() const { return pi_.hProcess; }
    void Kill();

private:
    PROCESS_INFORMATION pi_ = {};
};

// Runs a console program to its end (pumping this thread's messages, since
// it may send to windows of this thread) and gives its exit code and what it
// wrote to standard output and error; STILL_ACTIVE when it did not end.
DWORD RunConsole(const std::string &exe, const std::string &args, std::string *output);
DWORD RunConsole(const std::string &exe, const std::wstring &args, std::string *output);

// The visible settings window of the given process (0: of any process).
HWND FindSettingsWindow(DWORD pid = 0);
HWND WaitForSettingsWindow(DWORD pid);

// Number of top-level windows with the settings title.
int CountSettingsWindows(void);

// Number of visible top-level windows of a process (a message box counts).
int CountVisibleWindowsOf(DWORD pid);

// CPU time of every thread of another process, in milliseconds
// (GetProcessTimes on another process gives the caller's own under Wine).
double CpuTimeMs(DWORD pid);

// A top-level window of the process by class (and title, unless NULL).
HWND FindWindowOf(DWORD pid, const char *className, const char *title = NULL);

// Number of running processes with this file name, e.g. "dxnotify.exe".
int CountProcessesNamed(const char *exeName);

#endif
