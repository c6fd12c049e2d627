// Requests to the settings window, which is started when none is open. They
// run on worker threads, so that Explorer's own thread is never held.
#ifndef DXMENU_REQUESTS_H
#define DXMENU_REQUESTS_H

#include <windows.h>

// A path as a request carries it: ANSI, at most 259 characters.
typedef char RequestPath[MAX_PATH];

// How long one command's requests may take, counted from the command; the
// ones not sent by then are dropped.
#define BATCH_LIMIT_MS 30000

// Sends one request with the code per path, to the open settings window or
// to one started for them, until BATCH_LIMIT_MS after the tick count start.
// 1 when every request was delivered.
int SendRequests(DWORD code, const RequestPath *paths, int count, HWND sender, DWORD start);

// Hands copies of the paths to a worker thread that sends them once the
// batches before it are done, and returns at once. The DLL stays loaded
// while the thread runs. 1 when the thread was started.
int StartRequests(DWORD code, const RequestPath *paths, int count, HWND sender);

// Set up and tear down the batches' turn; from DllMain.
void InitRequestThreads(void);
void EndRequestThreads(void);

#endif
