// The real settings dialog, created in the test's process from the real template.
#include "support/dialog_fixture.h"

#include "app/program.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"
#include "support/product_key.h"
#include "support/wait.h"

#include <commctrl.h>

static SettingsDialog *g_recording = NULL;

void SettingsDialog::SetUp()
{
    g_hInst = GetModuleHandleA(NULL);
    InitCommonControls();
    CleanProductKey();
    Prepare();
    dlg_ = CreateDialogParamA(g_hInst, MAKEINTRESOURCEA(IDD_SETTINGS), NULL, SettingsDlgProc, 0);
    ASSERT_NE(dlg_, (HWND)NULL);
    // Watch the commands the dialog receives, from outside and from itself,
    // by subclassing its window; the dialog's own procedure still runs.
    g_recording = this;
    original_ = (WNDPROC)SetWindowLongPtrA(dlg_, GWLP_WNDPROC, (LONG_PTR)RecordCommands);
    PumpPending();
}

void SettingsDialog::TearDown()
{
    if (dlg_ != NULL && IsWindow(dlg_))
        DestroyWindow(dlg_);
    g_recording = NULL;
    PumpPending();
}

LRESULT CALLBACK SettingsDialog::RecordCommands(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SettingsDialog *self = g_recording;

    // Identifier 0 comes from the list's own label-edit box, not a command.
    if (msg == WM_COMMAND && self != NULL && LOWORD(wParam) != 0)
        self->commands_.push_back(LOWORD(wParam));
    return CallWindowProcA(self ? self->original_ : DefDlgProcA, hwnd, msg, wParam, lParam);
}

HWND SettingsDialog::List() const
{
    return Item(IDC_FILE_LIST);
}

LRESULT SettingsDialog::Command(int id, WORD code)
{
    return SendMessageA(dlg_, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)Item(id));
}

std::vector<std::string> SettingsDialog::Entries() const
{
    std::vector<std::string> out;
    int count = (int)SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0);

    for (int i = 0; i < count; i++) {
        char text[1024] = "";
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(List(), LVM_GETITEMTEXTA, i, (LPARAM)&item);
        out.push_back(text);
    }
    return out;
}

int SettingsDialog::Selected() const
{
    return (int)SendMessageA(List(), LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

int SettingsDialog::ColumnWidth() const
{
    return (int)SendMessageA(List(), LVM_GETCOLUMNWIDTH, 0, 0);
}
