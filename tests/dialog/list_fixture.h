// The settings dialog with ways to fill and drive its backup list.
#ifndef TEST_LIST_FIXTURE_H
#define TEST_LIST_FIXTURE_H

#include "support/dialog_fixture.h"
#include "support/modal.h"

#include "dialog/list_ops.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"

#include <commctrl.h>

#include <string>
#include <vector>

class ListTest : public SettingsDialog {
protected:
    void Seed(const std::vector<std::string> &paths)
    {
        for (const std::string &p : paths)
            AddOrSelectItem(p.c_str());
    }

    // The list's in-place edit box while a label edit is open.
    HWND EditBox() const { return (HWND)SendMessageA(List(), LVM_GETEDITCONTROL, 0, 0); }

    // Ends an open label edit with Enter or Escape, as typed into its box.
    void EndEdit(WPARAM key)
    {
        HWND edit = EditBox();
        if (edit != NULL)
            SendMessageA(edit, WM_KEYDOWN, key, 0);
    }

    // Types a text into the open label edit and confirms it with Enter.
    void TypeAndConfirm(const char *text)
    {
        HWND edit = EditBox();
        ASSERT_NE(edit, (HWND)NULL) << "a label edit is open";
        SendMessageA(edit, WM_SETTEXT, 0, (LPARAM)text);
        SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    }

    // A key pressed in the list (the list raises LVN_KEYDOWN).
    void PressKey(WPARAM key)
    {
        SendMessageA(List(), WM_KEYDOWN, key, 0);
        SendMessageA(List(), WM_KEYUP, key, 0xC0000000);
    }

    // Squeezes the column so that a fit shows as a change of width.
    void SqueezeColumn() { SendMessageA(List(), LVM_SETCOLUMNWIDTH, 0, 7); }

    // The width the list gives its column when fitted now.
    int FittedWidth()
    {
        int before = ColumnWidth();
        SendMessageA(List(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
        int fitted = ColumnWidth();
        SendMessageA(List(), LVM_SETCOLUMNWIDTH, 0, before);
        return fitted;
    }

    std::string SelectedText() const
    {
        int sel = Selected();
        return sel < 0 ? std::string() : Entries()[sel];
    }

    bool Focused(int index) const
    {
        return (SendMessageA(List(), LVM_GETITEMSTATE, index, LVIS_FOCUSED) & LVIS_FOCUSED) != 0;
    }
};

#endif
