// Bounded waits that keep the calling thread's messages flowing.
#ifndef TEST_WAIT_H
#define TEST_WAIT_H

#include <windows.h>

#include <functional>

// Long enough for a cold Wine, short enough to fail a hung test.
const DWORD WAIT_BOUND_MS = 15000;

// Dispatches this thread's messages until done() holds or the bound passes.
bool PumpUntil(const std::function<bool()> &done, DWORD boundMs = WAIT_BOUND_MS);

// Dispatches what is queued now, without waiting.
void PumpPending(void);

// Waits, pumping, until the handle is signalled; true when it was.
bool PumpUntilSignalled(HANDLE handle, DWORD boundMs = WAIT_BOUND_MS);

// A top-level window of the given class (or any class for NULL) and title.
HWND WaitForTopWindow(const char *className, const char *title, DWORD boundMs = WAIT_BOUND_MS);

#endif
