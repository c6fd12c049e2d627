// Requests to the settings window, which is started when none is open. They
// run on worker threads, so that Explorer's own thread is never held.
#ifndef DXMENU_REQUESTS_H
#define DXMENU_REQUESTS_H

#include <windows.h>

// A path as a request carries it: ANSI, at most 259 characters.
typedef char RequestPath[MAX_PATH];

// Why a batch ended before its last request was delivered.
#define STOP_NO_ANSWER 1   // the window did not answer one request within its bound
#define STOP_CLOSED 2      // the window was closed meanwhile
#define STOP_NOT_STARTED 3 // none was open, and the settings program showed none

// Sends one request with the code per path, to the open settings window or
// to one started for them, for as long as the window answers each in time.
// Gives the number delivered; when that is fewer than count, *why says why
// the rest were given up.
int SendRequests(DWORD code, const RequestPath *paths, int count, HWND sender, int *why);

// Tells the user in one message box, owned by no window, that unsent of the
// count files were not added (or removed), and why: the window (why, 0 when
// it took every request sent), and skipped names no request could carry.
// Returns when the box is closed.
void ShowUnsentNotice(DWORD code, int unsent, int count, int why, int skipped);

// Hands copies of the paths to a worker thread that sends them once the
// batches before it are done, and returns at once; skipped more were
// selected that no request can carry. The DLL stays loaded while the thread
// runs. 1 when the thread was started.
int StartRequests(DWORD code, const RequestPath *paths, int count, int skipped, HWND sender);

// Set up and tear down the batches' turn; from DllMain.
void InitRequestThreads(void);
void EndRequestThreads(void);

#endif
