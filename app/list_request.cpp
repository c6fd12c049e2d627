// One copy-data request to the settings window, as dxsend and the Explorer
// extension send it.
#include "app/program.h"

#include <string.h>

int SendListRequest(HWND hWnd, HWND sender, DWORD code, const char *path, UINT timeoutMs)
{
    COPYDATASTRUCT request;
    DWORD_PTR result = 0;

    request.dwData = code;
    request.cbData = (DWORD)strlen(path) + 1;
    request.lpData = (PVOID)path;
    // A hung window fails the request instead of holding the sender.
    return SendMessageTimeoutA(hWnd, WM_COPYDATA, (WPARAM)sender, (LPARAM)&request, SMTO_ABORTIFHUNG, timeoutMs,
                               &result) != 0;
}
