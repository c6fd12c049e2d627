// Copy-data requests: the path read from another process's block, then the
// list's own add and remove.
#include "dialog/copy_data.h"

#include "app/program.h"
#include "dialog/list_ops.h"
#include "res/resource.h"

#include <commctrl.h>

// How many of the want bytes at p can be read. A record from another process
// arrives as the system's copy of cbData bytes, but a sender in this process
// hands its own pointer, and nothing stops its cbData from lying.
static DWORD CountReadableBytes(const char *p, DWORD want)
{
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    MEMORY_BASIC_INFORMATION info;
    DWORD got = 0;

    while (got < want) {
        if (VirtualQuery(p + got, &info, sizeof(info)) == 0)
            break;
        if (info.State != MEM_COMMIT || !(info.Protect & readable) || (info.Protect & PAGE_GUARD))
            break;
        got += (DWORD)((const char *)info.BaseAddress + info.RegionSize - (p + got));
    }
    return got < want ? got : want;
}

void ReadRequestPath(const COPYDATASTRUCT *request, char *path)
{
    const char *data = (const char *)request->lpData;
    DWORD limit = request->cbData;
    DWORD n = 0;

    ZeroMemory(path, MAX_PATH);
    if (data == NULL)
        return;
    if (limit > MAX_PATH - 1)
        limit = MAX_PATH - 1;
    limit = CountReadableBytes(data, limit);
    while (n < limit && data[n] != '\0') {
        path[n] = data[n];
        n++;
    }
    path[n] = '\0';
}

// A label edit left open by an earlier add ends before the list changes,
// keeping its text, as a click elsewhere would end it: otherwise an entry
// inserted or removed before it moves its entry, and the edit's text lands
// on another one.
static void FinishLabelEdit(void)
{
    HWND hList = GetFileList();

    if (SendMessageA(hList, LVM_GETEDITCONTROL, 0, 0) != 0)
        SetFocus(hList);
}

// A path that is not listed asks for nothing, and an open edit stays. The
// entry is looked up again once the edit has ended: its text may have been
// the one edited.
static void RemoveListedPath(const char *path)
{
    int index;

    if (FindItem(path) == -1)
        return;
    FinishLabelEdit();
    index = FindItem(path);
    if (index == -1)
        return;
    SelectItem(index);
    RunCommand(IDC_REMOVE_ITEM);
}

INT_PTR OnCopyData(const COPYDATASTRUCT *request)
{
    char path[MAX_PATH];

    // A null record cannot come through the system's copy, only from a
    // careless sender in this process; it asks for nothing.
    if (request == NULL)
        return TRUE;
    ReadRequestPath(request, path);
    // A request that asks for nothing leaves an edit in progress alone.
    if (request->dwData == REQUEST_ADD_ITEM) {
        FinishLabelEdit();
        AddAndEditItem(path);
    } else if (request->dwData == REQUEST_REMOVE_ITEM) {
        RemoveListedPath(path);
    }
    return TRUE;
}
