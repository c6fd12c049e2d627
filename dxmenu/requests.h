// Requests to the settings window, which is started when none is open.
#ifndef DXMENU_REQUESTS_H
#define DXMENU_REQUESTS_H

#include <windows.h>

// A path as a request carries it: ANSI, at most 259 characters.
typedef char RequestPath[MAX_PATH];

// Sends one request with the code per path, to the open settings window or
// to one started for them. 1 when every request was delivered.
int SendRequests(DWORD code, const RequestPath *paths, int count, HWND sender);

#endif
