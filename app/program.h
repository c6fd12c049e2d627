// Names and operations of the program as a whole: titles, the start-up state
// and the companion programs that the settings program starts and stops.
#ifndef DUPLIX_PROGRAM_H
#define DUPLIX_PROGRAM_H

#include <windows.h>

#define PRODUCT_TITLE "VELT Duplix 98"
#define SETTINGS_TITLE PRODUCT_TITLE " Settings"
#define EXIT_SWITCH "/exitdxnotify"
#define STOP_EVENT_NAME "myVELTDuplixEventStopWaiting"
#define NOTIFIER_FILE "dxnotify.exe"
#define EXTENSION_FILE "dxmenu.dll"
#define PROGRAM_FILE "Duplix.exe"
// The copies window of one file: "dxrestore.exe PATH".
#define COPIES_FILE "dxrestore.exe"

// Held by the notifier that runs; a new notifier waits for it, so that a stop
// signal meant for the previous one is never taken by the new one.
#define NOTIFIER_MUTEX_NAME "myVELTDuplixNotifierRunning"
// Signalled by a notifier as it starts: the one that runs ends and leaves
// the work to the newest. Shared memory under the second name holds the
// number of the newest notifier started.
#define TAKEOVER_EVENT_NAME "myVELTDuplixEventTakeOver"
#define NEWEST_NOTIFIER_NAME "myVELTDuplixNewestNotifier"

// The running notifier's hidden top-level window, which owns its icon in the
// notification area. The icon's callback message comes to it with the mouse
// message in lParam (WM_RBUTTONUP: the menu; WM_LBUTTONDBLCLK: the status
// window), and another program may send it the same. The menu's commands
// (the notifier's IDR_TRAY_MENU resource) may be sent to it as WM_COMMAND.
// What the icon shows can be read from the window: its text is the icon's
// tip (WM_GETTEXT), its GWLP_USERDATA the icon's look; both are set before
// the icon is given to the shell, and stay set when the shell has no taskbar.
#define NOTIFIER_WINDOW_CLASS PRODUCT_TITLE " Notifier"
#define NOTIFIER_ICON_MESSAGE (WM_APP + 1)
#define NOTIFIER_LOOK_BACKED_UP 0
#define NOTIFIER_LOOK_TROUBLE 1
// The notifier's status window: one at a time, opened from the icon.
#define NOTIFIER_STATUS_TITLE PRODUCT_TITLE " Status"

// The rings of older copies under the backup path, one subfolder per slot.
// The first is the newest-copies subfolder that the dialog's Open shows.
#define NEWEST_COPIES_FOLDER "a Last Hour - One per Minute"
#define HOUR_COPIES_FOLDER "b Last Day - One per Hour"
#define DAY_COPIES_FOLDER "c Last Month - One per Day"

// The context-menu extension's class, registered on every start (and by the
// installer, which reads these names from here), its name and the name of its
// handler key under *\shellex\ContextMenuHandlers.
#define EXTENSION_CLSID "{00000000-0002-5645-4c54-0020e48020af}"
#define EXTENSION_NAME "VELT Duplix Context Menu Extension"
#define EXTENSION_HANDLER "Duplix"

// Copy-data requests to the settings window: the code in dwData, the path
// (ANSI, at most 259 characters) in the data block.
#define REQUEST_ADD_ITEM 1
#define REQUEST_REMOVE_ITEM 2

// Sends the window one request with the path and its zero; 1 when the
// window took it within the bound, 0 when it is gone or does not answer.
int SendListRequest(HWND hWnd, HWND sender, DWORD code, const char *path, UINT timeoutMs);

// Converts a wide name into out (size bytes) when the ANSI code page holds
// every character of it as it is; 0 with out empty otherwise: the last
// error is ERROR_INSUFFICIENT_BUFFER when it does not fit, else
// ERROR_NO_UNICODE_TRANSLATION (a missing letter or only a look-alike).
int ConvertNameExactly(const WCHAR *wide, char *out, int size);

// The program's own module, set by start-up just before the dialog is created.
extern HINSTANCE g_hInst;

// The next character's start, as CharNextA finds it.
const char *NextPathChar(const char *at);
// A single-byte character as CharUpperA makes it (a lead byte as it is).
BYTE ToUpperByte(BYTE b);
// The last or first backslash of a path, walking by character (multi-byte
// code pages); NULL when there is none.
const char *FindLastBackslash(const char *path);
const char *FindFirstBackslash(const char *path);
// The name after the last backslash (the whole path when there is none).
const char *FindFileName(const char *path);

// Adds text to the end of out (size bytes), cut to fit, always terminated.
void AppendText(char *out, int size, const char *text);

// A moment (UTC) as the user writes dates and times, in local time: what
// every window of the product shows (the log keeps its fixed format).
void FormatFileTime(const FILETIME *time, char *out, int size);

// A kernel32 function that not every claimed Windows exports, looked up at
// run time (NULL when missing), as a plain pointer to cast to its type.
void (*FindKernelCall(const char *name))(void);

// Full path of the running program's file cut before its last backslash.
// Returns 0 (folder empty) when the path does not fit or has no backslash.
int GetProgramFolder(char *folder, int size);

// Puts into out (size bytes) the folder of modulePath, a backslash and file.
// Returns 0 with out empty when modulePath has no backslash or the result
// does not fit: a cut name could be some other file.
int MakeCompanionPath(const char *modulePath, const char *file, char *out, int size);

// MakeCompanionPath for the running program's own file, into MAX_PATH bytes.
int GetCompanionPath(const char *file, char *out);

// Points the shell's context-menu handler for all files at the extension in
// the program folder. Failures are silent.
void RegisterShellExtension(void);

// Tells a running notifier to stop; does nothing when none runs.
void SignalStopEvent(void);

// Starts the notifier from the program folder; failures are not reported.
void LaunchNotifier(void);
// Starts a program of the product (PROGRAM_FILE, NOTIFIER_FILE) from the
// running program's folder; failures are not reported.
void LaunchCompanion(const char *file);

#endif
