// What Open and Save As do with the chosen version: show it from a read-only
// copy, or save it elsewhere (over the file itself, a restore).
#include "dxrestore/copies.h"

#include "app/program.h"
#include "store/reg_value.h"

#include <commdlg.h>
#include <shellapi.h>

#define MESSAGE_SIZE (LONG_PATH + 2 * MAX_PATH)
#define OPENED_FOLDER PRODUCT_TITLE " Copies"

void ShowFailure(const char *what, const char *name)
{
    char text[MESSAGE_SIZE] = "";

    lstrcpynA(text, what, sizeof(text));
    AppendText(text, sizeof(text), name);
    ShowSystemError(text);
}

void ShowNoLongerKept(HWND hDlg, CopiesWindow *w)
{
    MessageBoxA(hDlg, "This version is no longer kept.", PRODUCT_TITLE, MB_OK | MB_ICONEXCLAMATION);
    ReloadCopies(hDlg, w);
}

// Where Open puts a version: the temporary folder, under the file's name
// with the version's time, so that versions opened side by side differ.
static int MakeOpenPath(const CopiesWindow *w, const CopyVersion *version, char *folder, char *target)
{
    char name[MAX_PATH], stamp[32], *dot = NULL, *p;
    FILETIME local;
    SYSTEMTIME st;

    if (GetTempPathA(MAX_PATH, folder) == 0)
        return 0;
    AppendText(folder, MAX_PATH, OPENED_FOLDER);
    CreateDirectoryA(folder, NULL);
    lstrcpynA(name, FindFileName(w->source), sizeof(name));
    for (p = name; *p != '\0'; p = CharNextA(p)) {
        if (*p == '.')
            dot = p;
    }
    FileTimeToLocalFileTime(&version->saved, &local);
    FileTimeToSystemTime(&local, &st);
    FormatStamp(&st, stamp);
    if (!JoinPath(target, MAX_PATH, folder, name))
        return 0;
    target[lstrlenA(target) - (dot != NULL ? lstrlenA(dot) : 0)] = '\0';
    AppendText(target, MAX_PATH, " (saved ");
    AppendText(target, MAX_PATH, stamp);
    AppendText(target, MAX_PATH, ")");
    AppendText(target, MAX_PATH, dot != NULL ? dot : "");
    return lstrlenA(target) < MAX_PATH - 1;
}

void OpenVersion(HWND hDlg, CopiesWindow *w, const CopyVersion *version)
{
    char folder[MAX_PATH] = "", target[MAX_PATH];
    DWORD error;
    int result;

    if (!MakeOpenPath(w, version, folder, target)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        ShowFailure("This version could not be copied for showing: its name does not fit under:\n", folder);
        return;
    }
    // A copy opened before may still be held by its program: then that
    // one is shown again. Every copy is left read-only.
    SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
    result = CopyVersionTo(w, version, target, PLACE_RENAME);
    error = GetLastError();
    SetFileAttributesA(target, FILE_ATTRIBUTE_READONLY);
    SetLastError(error);
    if (result == COPY_OTHER_VERSION) {
        ShowNoLongerKept(hDlg, w);
        return;
    }
    if (result != COPY_DONE && !IsInUseError(error)) {
        ShowFailure("This version could not be copied for showing:\n", target);
        return;
    }
    ShellExecuteA(hDlg, NULL, target, NULL, folder, SW_SHOWNORMAL);
}

// A version saved over the file itself is a restore: the present content
// is kept the same way, so Save As cannot lose it either.
void SaveVersionAs(HWND hDlg, CopiesWindow *w, const CopyVersion *version)
{
    char file[MAX_PATH], folder[MAX_PATH];
    char title[] = PRODUCT_TITLE " - Save the version as";
    const char *name = FindFileName(w->source);
    OPENFILENAMEA ofn;
    int result;

    lstrcpynA(file, name, sizeof(file));
    lstrcpynA(folder, w->source, (int)(name - w->source) + 1);
    ZeroMemory(&ofn, sizeof(ofn));
    // The record as Windows 95 and NT 4 know it.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = hDlg;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrInitialDir = folder;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&ofn))
        return;
    if (IsSameFile(file, w->source)) {
        RestoreAndReport(hDlg, w, version, "");
        return;
    }
    result = CopyVersionTo(w, version, file, PLACE_RENAME);
    if (result == COPY_OTHER_VERSION)
        ShowNoLongerKept(hDlg, w);
    else if (result != COPY_DONE)
        ShowFailure("This version could not be saved as:\n", file);
}
