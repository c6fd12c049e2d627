// The selected names as requests carry them: ANSI, at most 259 characters,
// and the very name of the file or nothing.
#include "dxmenu/selection.h"

#include "app/program.h"

#include <shlobj.h>
#include <string.h>

// Whether the block holds wide names; -1 when it is no DROPFILES block. The
// shell of Windows 95 and 98 fills ANSI blocks, NT's wide ones.
static int IsWideBlock(HGLOBAL block)
{
    const DROPFILES *drop;
    int wide;

    if (GlobalSize(block) < sizeof(DROPFILES))
        return -1;
    drop = (const DROPFILES *)GlobalLock(block);
    if (drop == NULL)
        return -1;
    wide = drop->fWide != 0;
    GlobalUnlock(block);
    return wide;
}

// A wide name converted without look-alikes: "Łódź.doc" must not become
// "Lodz.doc", which is another file.
static int TakeWideName(HDROP drop, UINT i, char *path)
{
    WCHAR name[MAX_PATH] = L"";
    UINT len = DragQueryFileW(drop, i, NULL, 0);

    if (len == 0 || len >= MAX_PATH || DragQueryFileW(drop, i, name, MAX_PATH) != len)
        return 0;
    name[MAX_PATH - 1] = L'\0';
    return ConvertNameExactly(name, path, MAX_PATH);
}

// An ANSI name is the file's own, unless the block's maker put '?' for a
// letter it could not convert: no real file name holds one.
static int TakeAnsiName(HDROP drop, UINT i, char *path)
{
    UINT len = DragQueryFileA(drop, i, NULL, 0);

    if (len == 0 || len >= MAX_PATH || DragQueryFileA(drop, i, path, MAX_PATH) != len)
        return 0;
    path[MAX_PATH - 1] = '\0';
    return strchr(path, '?') == NULL;
}

RequestPath *TakeSelection(HGLOBAL block, int *count, int *skipped)
{
    HDROP drop = (HDROP)block;
    int wide = IsWideBlock(block);
    UINT total = wide < 0 ? 0 : DragQueryFileA(drop, 0xFFFFFFFF, NULL, 0);
    RequestPath *paths;
    int n = 0;

    *count = *skipped = 0;
    if (total == 0 || total > ((SIZE_T)-1) / sizeof(RequestPath))
        return NULL;
    paths = (RequestPath *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, total * sizeof(RequestPath));
    if (paths == NULL)
        return NULL;
    for (UINT i = 0; i < total; i++) {
        if (wide ? TakeWideName(drop, i, paths[n]) : TakeAnsiName(drop, i, paths[n]))
            n++;
        else
            paths[n][0] = '\0';
    }
    *skipped = (int)total - n;
    if (n == 0) {
        HeapFree(GetProcessHeap(), 0, paths);
        return NULL;
    }
    *count = n;
    return paths;
}

typedef BOOL(WINAPI *PathFromListW)(LPCITEMIDLIST, LPWSTR);

// The wide name, converted exactly, where the shell gives one (looked up:
// not every shell of Windows 95 has it); else the ANSI one, refused when the
// shell put '?' for a letter.
static int TakeFolderName(LPCITEMIDLIST folder, char *path)
{
    HMODULE shell = GetModuleHandleA("shell32.dll");
    PathFromListW fromListW =
        shell != NULL ? (PathFromListW)(void *)GetProcAddress(shell, "SHGetPathFromIDListW") : NULL;
    WCHAR name[MAX_PATH] = L"";

    if (fromListW != NULL && fromListW(folder, name)) {
        name[MAX_PATH - 1] = L'\0';
        return ConvertNameExactly(name, path, MAX_PATH);
    }
    if (!SHGetPathFromIDListA(folder, path))
        return 0;
    path[MAX_PATH - 1] = '\0';
    return strchr(path, '?') == NULL;
}

RequestPath *TakeShownFolder(LPCITEMIDLIST folder)
{
    RequestPath *paths;

    if (folder == NULL)
        return NULL;
    paths = (RequestPath *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(RequestPath));
    if (paths != NULL && !TakeFolderName(folder, paths[0])) {
        HeapFree(GetProcessHeap(), 0, paths);
        paths = NULL;
    }
    return paths;
}
