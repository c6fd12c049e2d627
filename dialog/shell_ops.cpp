// The file-open dialog, the clipboard, Explorer and the folder test.
#include "dialog/shell_ops.h"

#include "app/program.h"
#include "dialog/settings_dlg.h"

#include <commdlg.h>
#include <shellapi.h>
#include <string.h>

int ChooseFile(HWND hOwner, char *path)
{
    char file[MAX_PATH] = "";
    char title[MAX_PATH] = PRODUCT_TITLE " - Please select a file";
    OPENFILENAMEA ofn;

    lstrcpynA(file, path, sizeof(file));
    ZeroMemory(&ofn, sizeof(ofn));
    // The record as Windows 95 and NT 4 know it.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = hOwner;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn))
        return 0;
    lstrcpynA(path, file, MAX_PATH);
    return 1;
}

// Copies at most max characters of the block, stopping at a zero byte that
// need not be there: the data comes from another program.
static void CopyClipText(HANDLE hData, char *text, int max)
{
    const char *data = (const char *)GlobalLock(hData);
    SIZE_T avail;
    int n = 0;

    if (data == NULL)
        return;
    avail = GlobalSize(hData);
    while (n < max && (SIZE_T)n < avail && data[n] != '\0') {
        text[n] = data[n];
        n++;
    }
    text[n] = '\0';
    GlobalUnlock(hData);
}

void PasteFromClipboard(char *text, int size)
{
    HANDLE hData;
    int max = size - 1 < MAX_PATH ? size - 1 : MAX_PATH;

    if (text == NULL || max < 0)
        return;
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(g_hDlg))
        return;
    hData = GetClipboardData(CF_TEXT);
    if (hData != NULL)
        CopyClipText(hData, text, max);
    CloseClipboard();
}

int FormatExplorerParams(const char *path, char *params, int size)
{
    const char *prefix = IsDirectory(path) ? "/e,/n," : "/e,/n,/select,";
    size_t need = strlen(prefix) + 1 + strlen(path) + 1;

    params[0] = '\0';
    if (need + 1 > (size_t)size)
        return 0;
    lstrcpynA(params, prefix, size);
    lstrcatA(params, "\"");
    lstrcatA(params, path);
    lstrcatA(params, "\"");
    return 1;
}

void ShowInExplorer(const char *path)
{
    char params[EXPLORER_PARAMS_SIZE] = "";

    if (path[0] == '\0')
        return;
    if (!FormatExplorerParams(path, params, sizeof(params)))
        return;
    ShellExecuteA(NULL, NULL, "explorer.exe", params, NULL, SW_SHOWNORMAL);
}

int IsDirectory(const char *path)
{
    char current[MAX_PATH] = "";
    DWORD len = GetCurrentDirectoryA(sizeof(current), current);
    DWORD attrs;

    // Without a current directory to go back to, ask the file system instead
    // of leaving the process somewhere else.
    if (len == 0 || len >= sizeof(current)) {
        attrs = GetFileAttributesA(path);
        return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    }
    if (!SetCurrentDirectoryA(path))
        return 0;
    SetCurrentDirectoryA(current);
    return 1;
}
