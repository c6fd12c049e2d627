// Requests from other programs to add a path to the backup list or take it off.
#ifndef DUPLIX_COPY_DATA_H
#define DUPLIX_COPY_DATA_H

#include <windows.h>

// Copies the request's path into path (MAX_PATH bytes, always terminated):
// the block's bytes up to the first zero, cbData and 259 characters, and
// never past the readable memory at lpData. A missing block gives "".
void ReadRequestPath(const COPYDATASTRUCT *request, char *path);

// WM_COPYDATA: code 1 adds (or selects) the path and opens its edit, code 2
// removes its entry; any other code, or no record at all, does nothing.
// Returns TRUE for every request.
INT_PTR OnCopyData(const COPYDATASTRUCT *request);

#endif
