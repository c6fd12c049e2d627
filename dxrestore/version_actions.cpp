// What the buttons do with the chosen version: show it from a read-only
// copy, save it elsewhere, or put it back in place of the file.
#include "dxrestore/copies.h"
#include "dxrestore/resource.h"

#include "app/program.h"
#include "store/reg_value.h"

#include <commdlg.h>
#include <shellapi.h>

#define MESSAGE_SIZE (LONG_PATH + 2 * MAX_PATH)
#define OPENED_FOLDER PRODUCT_TITLE " Copies"

static void ShowFailure(const char *what, const char *name)
{
    char text[MESSAGE_SIZE] = "";

    lstrcpynA(text, what, sizeof(text));
    AppendText(text, sizeof(text), name);
    ShowSystemError(text);
}

// Where Open puts a version: the temporary folder, under the file's name
// with the version's time, so that versions opened side by side differ.
static int MakeOpenPath(const CopiesWindow *w, int index, char *folder, char *target)
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
    FileTimeToLocalFileTime(&w->copies.versions[index].saved, &local);
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

void OpenVersion(HWND hDlg, CopiesWindow *w, int index)
{
    char copy[LONG_PATH], folder[MAX_PATH] = "", target[MAX_PATH];

    if (!GetVersionPath(w, index, copy, sizeof(copy)))
        return;
    if (!MakeOpenPath(w, index, folder, target)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        ShowFailure("This version could not be copied for showing: its name does not fit under:\n", folder);
        return;
    }
    // A copy opened before may still be held by its program: then that
    // one is shown again. Every copy is left read-only.
    SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
    if (CopyThroughTemp(copy, target, PLACE_RENAME, NULL) != COPY_DONE && !IsInUseError(GetLastError())) {
        ShowFailure("This version could not be copied for showing:\n", target);
        return;
    }
    SetFileAttributesA(target, FILE_ATTRIBUTE_READONLY);
    ShellExecuteA(hDlg, NULL, target, NULL, folder, SW_SHOWNORMAL);
}

static void RestoreAndReport(HWND hDlg, CopiesWindow *w, int index, const char *copy, const char *keep)
{
    char text[MESSAGE_SIZE] = "";
    const char *name = FindFileName(w->source);

    if (RestoreVersion(copy, w->source, keep)) {
        ShowRestored(hDlg, w, index, keep);
        return;
    }
    if (!IsInUseError(GetLastError())) {
        ShowFailure("This version could not be put back; the file was left as it was:\n", w->source);
        return;
    }
    lstrcpynA(text, name, sizeof(text));
    AppendText(text, sizeof(text), " is in use by another program, so it was left as it was.\n\n"
                                   "Close it there, then try again.");
    MessageBoxA(hDlg, text, PRODUCT_TITLE, MB_OK | MB_ICONEXCLAMATION);
}

static int AskToRestore(HWND hDlg, const CopiesWindow *w, int index, const char *keep)
{
    char text[MESSAGE_SIZE] = "Put the version of ", when[TIME_TEXT_SIZE];

    FormatFileTime(&w->copies.versions[index].saved, when, sizeof(when));
    AppendText(text, sizeof(text), FindFileName(w->source));
    AppendText(text, sizeof(text), " saved ");
    AppendText(text, sizeof(text), when);
    if (keep[0] != '\0') {
        AppendText(text, sizeof(text), " in place of the file?\n\nIts present content will be kept in:\n");
        AppendText(text, sizeof(text), keep);
    } else {
        AppendText(text, sizeof(text), " back?\n\nThe file is not there now.");
    }
    return MessageBoxA(hDlg, text, PRODUCT_TITLE, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Where the present content will be kept; empty when the file is not
// there. 0 (shown) when there is no such place: then nothing is restored.
static int PrepareKeep(const CopiesWindow *w, char *keep, int size)
{
    WIN32_FIND_DATAA info;

    keep[0] = '\0';
    if (!GetPathInfo(w->source, &info) || MakeKeepPath(w, keep, size))
        return 1;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    ShowFailure("There is no place to keep the present content of:\n", w->source);
    return 0;
}

void AskAndRestore(HWND hDlg, CopiesWindow *w, int index)
{
    char copy[LONG_PATH], keep[LONG_PATH];

    if (!GetVersionPath(w, index, copy, sizeof(copy)) || !PrepareKeep(w, keep, sizeof(keep)))
        return;
    if (AskToRestore(hDlg, w, index, keep))
        RestoreAndReport(hDlg, w, index, copy, keep);
}

// A version saved over the file itself is a restore: the present content
// is kept the same way, so Save As cannot lose it either.
void SaveVersionAs(HWND hDlg, CopiesWindow *w, int index)
{
    char copy[LONG_PATH], keep[LONG_PATH], file[MAX_PATH], folder[MAX_PATH];
    char title[] = PRODUCT_TITLE " - Save the version as";
    const char *name = FindFileName(w->source);
    OPENFILENAMEA ofn;

    if (!GetVersionPath(w, index, copy, sizeof(copy)))
        return;
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
    if (lstrcmpiA(file, w->source) == 0) {
        if (PrepareKeep(w, keep, sizeof(keep)))
            RestoreAndReport(hDlg, w, index, copy, keep);
    } else if (CopyThroughTemp(copy, file, PLACE_RENAME, NULL) != COPY_DONE) {
        ShowFailure("This version could not be saved as:\n", file);
    }
}

void ShowRestored(HWND hDlg, CopiesWindow *w, int index, const char *keep)
{
    char text[MESSAGE_SIZE] = "The version saved ", when[TIME_TEXT_SIZE];

    FormatFileTime(&w->copies.versions[index].saved, when, sizeof(when));
    AppendText(text, sizeof(text), when);
    AppendText(text, sizeof(text), " is back in place.");
    if (keep[0] != '\0') {
        AppendText(text, sizeof(text), " The content it replaced is kept in ");
        AppendText(text, sizeof(text), keep);
    }
    SetDlgItemTextA(hDlg, IDC_COPY_NOTE, text);
    FormatFileState(w->source, text, sizeof(text));
    SetDlgItemTextA(hDlg, IDC_COPY_STATE, text);
}
