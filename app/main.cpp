// Start-up: the command-line switch, the single-instance rule and the dialog.
#include "app/program.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"

#include <commctrl.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    HWND hOpen;

    (void)hPrevInstance;
    (void)nShowCmd;
    if (lpCmdLine != NULL) {
        CharLowerA(lpCmdLine);
        if (strstr(lpCmdLine, EXIT_SWITCH) != NULL)
            SignalStopEvent();
    }

    RegisterShellExtension();

    hOpen = FindWindowA(NULL, SETTINGS_TITLE);
    if (hOpen != NULL) {
        SetForegroundWindow(hOpen);
        return 1;
    }

    g_hInst = hInstance;
    InitCommonControls();
    DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_SETTINGS), NULL, SettingsDlgProc, 0);
    return 0;
}
