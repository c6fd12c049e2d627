// The backup path's Change and Open, Help, the web link and the About box.
#include "dialog/path_links.h"

#include "app/program.h"
#include "dialog/shell_ops.h"
#include "res/resource.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string.h>

// Appends src only when it fits whole with its zero; 0 leaves dst as it was.
static int AppendWhole(char *dst, int size, const char *src)
{
    size_t used = strlen(dst);
    size_t add = strlen(src);

    if (used + add + 1 > (size_t)size)
        return 0;
    memcpy(dst + used, src, add + 1);
    return 1;
}

// Reads the backup path's text. A text longer than a path is not read
// (0, path empty) rather than cut: a cut path would name another folder.
static int ReadBackupPathText(HWND hDlg, char *path)
{
    path[0] = '\0';
    if (GetWindowTextLengthA(GetDlgItem(hDlg, IDC_BACKUP_PATH)) >= MAX_PATH)
        return 0;
    GetDlgItemTextA(hDlg, IDC_BACKUP_PATH, path, MAX_PATH);
    return 1;
}

int CALLBACK BrowseCallback(HWND hBrowser, UINT msg, LPARAM lParam, LPARAM data)
{
    (void)lParam;
    if (msg == BFFM_INITIALIZED)
        SendMessageA(hBrowser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

int ChooseFolder(HWND hOwner, char *path)
{
    char display[MAX_PATH] = "";
    char title[] = "Select new folder:";
    IMalloc *alloc = NULL;
    BROWSEINFOA info;
    LPITEMIDLIST pidl;
    int picked = 0;

    OleInitialize(NULL);
    if (FAILED(SHGetMalloc(&alloc))) {
        OleUninitialize();
        return 0;
    }
    ZeroMemory(&info, sizeof(info));
    info.hwndOwner = hOwner;
    info.pidlRoot = NULL;
    info.pszDisplayName = display;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = (LPARAM)path;
    pidl = SHBrowseForFolderA(&info);
    if (pidl != NULL && SHGetPathFromIDListA(pidl, display)) {
        lstrcpynA(path, display, MAX_PATH);
        picked = 1;
    }
    alloc->Free(pidl);
    alloc->Release();
    OleUninitialize();
    return picked;
}

INT_PTR OnChangePath(HWND hDlg)
{
    char path[MAX_PATH] = "";

    ReadBackupPathText(hDlg, path);
    // Only a pick is written back, so that a cancelled browser leaves the
    // text exactly as it was, also one too long to read whole.
    if (ChooseFolder(hDlg, path))
        SetDlgItemTextA(hDlg, IDC_BACKUP_PATH, path);
    return TRUE;
}

int FormatNewestCopiesPath(const char *backupPath, char *path, int size)
{
    path[0] = '\0';
    if (!AppendWhole(path, size, backupPath) || !AppendWhole(path, size, "\\" NEWEST_COPIES_FOLDER)) {
        path[0] = '\0';
        return 0;
    }
    return 1;
}

INT_PTR OnOpenPath(HWND hDlg)
{
    char backup[MAX_PATH] = "";
    char path[MAX_PATH] = "";

    if (ReadBackupPathText(hDlg, backup) && FormatNewestCopiesPath(backup, path, sizeof(path)))
        ShowInExplorer(path);
    return TRUE;
}

int FormatHelpAddress(const char *folder, char *address, int size)
{
    address[0] = '\0';
    if (!AppendWhole(address, size, "file://") || !AppendWhole(address, size, folder) ||
        !AppendWhole(address, size, "\\") || !AppendWhole(address, size, HELP_FILE)) {
        address[0] = '\0';
        return 0;
    }
    return 1;
}

INT_PTR OnHelp(void)
{
    char folder[MAX_PATH] = "";
    char address[MAX_PATH] = "";

    if (GetProgramFolder(folder, sizeof(folder)) && FormatHelpAddress(folder, address, sizeof(address)))
        ShellExecuteA(NULL, NULL, address, NULL, folder, SW_SHOWNORMAL);
    return FALSE;
}

INT_PTR OnWebLink(WORD code)
{
    char temp[MAX_PATH] = "";
    char address[MAX_PATH] = "";
    DWORD len;

    // A double-click arrives as a click and then STN_DBLCLK: open the page once.
    if (code != STN_CLICKED)
        return TRUE;
    len = GetTempPathA(sizeof(temp), temp);
    if (len == 0 || len >= sizeof(temp))
        temp[0] = '\0';
    lstrcpynA(address, PRODUCT_WEB_PAGE, sizeof(address));
    ShellExecuteA(NULL, NULL, address, NULL, temp[0] ? temp : NULL, SW_SHOWNORMAL);
    return FALSE;
}

int ReadProductVersion(const char *file, char *version, int size)
{
    char query[] = "\\StringFileInfo\\000004b0\\ProductVersion";
    DWORD handle = 0;
    DWORD blockSize = GetFileVersionInfoSizeA(file, &handle);
    void *block;
    char *value = NULL;
    UINT len = 0;
    int n = 0;

    if (blockSize == 0 || version == NULL || size <= 0)
        return 0;
    block = HeapAlloc(GetProcessHeap(), 0, blockSize);
    if (block == NULL)
        return 0;
    if (!GetFileVersionInfoA(file, 0, blockSize, block) ||
        !VerQueryValueA(block, query, (void **)&value, &len) || value == NULL) {
        HeapFree(GetProcessHeap(), 0, block);
        return 0;
    }
    // The value need not end inside the block; a long one is cut to fit.
    while ((UINT)n < len && n < size - 1 && value[n] != '\0') {
        version[n] = value[n];
        n++;
    }
    version[n] = '\0';
    HeapFree(GetProcessHeap(), 0, block);
    return 1;
}

int GetProductVersion(char *version, int size)
{
    char file[MAX_PATH] = "";
    DWORD len = GetModuleFileNameA(NULL, file, sizeof(file));

    if (len == 0 || len >= sizeof(file))
        return 0;
    return ReadProductVersion(file, version, size);
}

void FormatAboutText(const char *version, char *text, int size)
{
    const char *pieces[] = {" Thank you for using ", PRODUCT_TITLE, "!  ", "\r\n\r\n", "Version ", version};
    size_t i;
    int used = 0;

    // Shown, not opened: a text too long for the buffer is cut at its end.
    text[0] = '\0';
    for (i = 0; i < sizeof(pieces) / sizeof(pieces[0]) && used < size - 1; i++) {
        lstrcpynA(text + used, pieces[i], size - used);
        used += (int)strlen(text + used);
    }
}

INT_PTR OnAppIcon(HWND hDlg)
{
    char version[VERSION_TEXT_SIZE] = "";
    char text[ABOUT_TEXT_SIZE] = "";

    GetProductVersion(version, sizeof(version));
    FormatAboutText(version, text, sizeof(text));
    MessageBoxA(hDlg, text, PRODUCT_TITLE, MB_OK | MB_ICONINFORMATION);
    return TRUE;
}
