// The object the shell creates for a right-click: IShellExtInit takes the
// selected files, IContextMenu shows the submenu and runs its commands.
#include "dxmenu/requests.h"
#include "dxmenu/selection.h"
#include "dxmenu/server.h"
#include "dxmenu/show_copies.h"

#include "app/program.h"

#include <shellapi.h>
#include <shlobj.h>

#include <new>

struct MenuCommand {
    const char *text;
    const char *verb;
    const char *help;
    DWORD code;
};

static const MenuCommand COMMANDS[] = {
    {"Add to Duplix list", "DuplixAdd", "Adds the selected files to the VELT Duplix 98 backup list.",
     REQUEST_ADD_ITEM},
    {"Remove from Duplix list", "DuplixRemove",
     "Takes the selected files off the VELT Duplix 98 backup list.", REQUEST_REMOVE_ITEM},
    // Last, as it is shown only for one file or folder, or alone on the
    // empty space of a folder window.
    {"Show Duplix copies...", "DuplixCopies", "Shows the saved copies of the selected file or folder.",
     SHOW_COPIES},
};
static const UINT COMMAND_COUNT = sizeof(COMMANDS) / sizeof(COMMANDS[0]);
static const UINT SHOW_COMMAND = COMMAND_COUNT - 1;

// Copies a command's text for the shell, ANSI or wide, cut to cchMax and
// terminated; a text that had to be cut is reported as such.
static HRESULT CopyCommandText(const char *text, int wide, LPSTR out, UINT cchMax)
{
    int room = cchMax > 0x7FFF ? 0x7FFF : (int)cchMax;

    if (out == NULL || room == 0)
        return E_INVALIDARG;
    if (wide) {
        WCHAR buf[MAX_PATH] = L"";
        MultiByteToWideChar(CP_ACP, 0, text, -1, buf, MAX_PATH - 1);
        lstrcpynW((LPWSTR)out, buf, room);
    } else {
        lstrcpynA(out, text, room);
    }
    return lstrlenA(text) < room ? S_OK : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}

static int FindVerb(const char *verb)
{
    for (UINT i = 0; i < COMMAND_COUNT; i++) {
        if (lstrcmpiA(verb, COMMANDS[i].verb) == 0)
            return (int)i;
    }
    return -1;
}

// A wide verb as ANSI; one that does not convert exactly matches nothing.
static int FindVerbW(LPCWSTR verb)
{
    char buf[64] = "";
    BOOL lossy = FALSE;

    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, verb, -1, buf, sizeof(buf), NULL, &lossy) == 0 ||
        lossy)
        return -1;
    return FindVerb(buf);
}

// The command an invocation names by a wide or an ANSI verb, as an index
// into COMMANDS; -2 when it names one by its offset in the menu instead.
static int FindInvokedVerb(const CMINVOKECOMMANDINFO *info)
{
    const CMINVOKECOMMANDINFOEX *ex = (const CMINVOKECOMMANDINFOEX *)info;

    if (info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE) &&
        !IS_INTRESOURCE(ex->lpVerbW))
        return FindVerbW(ex->lpVerbW);
    if (!IS_INTRESOURCE(info->lpVerb))
        return FindVerb(info->lpVerb);
    return -2;
}

struct ContextMenu final : IShellExtInit, IContextMenu {
    LONG refs = 1;
    RequestPath *paths = NULL;
    int count = 0;
    int skipped = 0;  // selected names no request can carry
    // The commands offered, as indexes into COMMANDS in the menu's order.
    UINT offered[COMMAND_COUNT] = {};
    UINT offeredCount = 0;

    ContextMenu() { CountObject(1); }
    ~ContextMenu()
    {
        ForgetFiles();
        CountObject(-1);
    }

    void ForgetFiles()
    {
        if (paths != NULL)
            HeapFree(GetProcessHeap(), 0, paths);
        paths = NULL;
        count = skipped = 0;
        offeredCount = 0;
    }

    void Offer(UINT first, UINT last)
    {
        for (UINT i = first; i <= last && offeredCount < COMMAND_COUNT; i++)
            offered[offeredCount++] = i;
    }

    // The offered command at a menu offset, or the verb's if it is offered;
    // -1 for any other.
    int FindOffered(const CMINVOKECOMMANDINFO *info) const
    {
        int verb = FindInvokedVerb(info);
        UINT offset = LOWORD((UINT_PTR)info->lpVerb);

        if (verb == -2)
            return offset < offeredCount ? (int)offered[offset] : -1;
        for (UINT i = 0; i < offeredCount; i++) {
            if ((int)offered[i] == verb)
                return verb;
        }
        return -1;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (ppv == NULL)
            return E_POINTER;
        *ppv = NULL;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit))
            *ppv = static_cast<IShellExtInit *>(this);
        else if (IsEqualIID(riid, IID_IContextMenu))
            *ppv = static_cast<IContextMenu *>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return (ULONG)InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0)
            delete this;
        return (ULONG)left;
    }

    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject *data, HKEY progId) override
    {
        FORMATETC format = {CF_HDROP, NULL, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium;

        (void)progId;
        ForgetFiles();
        // No selection: the empty space of the folder window was clicked,
        // and its copies are what can be shown.
        if (data == NULL) {
            paths = TakeShownFolder(folder);
            count = paths != NULL ? 1 : 0;
            Offer(SHOW_COMMAND, SHOW_COMMAND);
            return count > 0 ? S_OK : E_FAIL;
        }
        if (FAILED(data->GetData(&format, &medium)))
            return E_INVALIDARG;
        if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal != NULL) {
            paths = TakeSelection(medium.hGlobal, &count, &skipped);
            Offer(0, SHOW_COMMAND - 1);
            if (count == 1 && DragQueryFileW((HDROP)medium.hGlobal, 0xFFFFFFFF, NULL, 0) == 1 &&
                IsPathThere(paths[0]))
                Offer(SHOW_COMMAND, SHOW_COMMAND);
        }
        ReleaseStgMedium(&medium);
        // Without a file a request can carry, the shell shows no submenu.
        return count > 0 ? S_OK : E_FAIL;
    }

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override
    {
        UINT shown = offeredCount;
        if ((flags & CMF_DEFAULTONLY) || count == 0 || shown == 0 || first > last || last - first < shown - 1)
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        HMENU sub = CreatePopupMenu();
        if (sub == NULL)
            return HRESULT_FROM_WIN32(GetLastError());
        for (UINT i = 0; i < shown; i++) {
            if (!AppendMenuA(sub, MF_STRING, first + i, COMMANDS[offered[i]].text)) {
                DestroyMenu(sub);
                return E_FAIL;
            }
        }
        if (!InsertMenuA(menu, index, MF_BYPOSITION | MF_POPUP | MF_STRING, (UINT_PTR)sub, PRODUCT_TITLE)) {
            DestroyMenu(sub);
            return E_FAIL;
        }
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, shown);
    }

    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO *info) override
    {
        if (info == NULL || info->cbSize < sizeof(CMINVOKECOMMANDINFO))
            return E_INVALIDARG;
        int command = FindOffered(info);
        if (command < 0)
            return E_FAIL;
        if (COMMANDS[command].code == SHOW_COPIES)
            return StartCopiesWindow(paths[0]) ? S_OK : E_FAIL;
        // Explorer waits for this call: the requests go on a worker thread.
        return StartRequests(COMMANDS[command].code, paths, count, skipped, info->hwnd) ? S_OK : E_FAIL;
    }

    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT *reserved, LPSTR name, UINT cchMax) override
    {
        (void)reserved;
        if (id >= offeredCount)
            return E_INVALIDARG;
        const MenuCommand &command = COMMANDS[offered[id]];
        switch (type) {
        case GCS_VALIDATEA:
        case GCS_VALIDATEW:
            return S_OK;
        case GCS_VERBA:
            return CopyCommandText(command.verb, 0, name, cchMax);
        case GCS_VERBW:
            return CopyCommandText(command.verb, 1, name, cchMax);
        case GCS_HELPTEXTA:
            return CopyCommandText(command.help, 0, name, cchMax);
        case GCS_HELPTEXTW:
            return CopyCommandText(command.help, 1, name, cchMax);
        }
        return E_INVALIDARG;
    }
};

HRESULT CreateContextMenu(REFIID riid, void **ppv)
{
    ContextMenu *menu = new (std::nothrow) ContextMenu;

    if (menu == NULL)
        return E_OUTOFMEMORY;
    HRESULT hr = menu->QueryInterface(riid, ppv);
    menu->Release();
    return hr;
}
