// Restore as the user sees it: the question, the restore once answered, and
// the note that says where the replaced content went.
#include "dxrestore/copies.h"
#include "dxrestore/resource.h"

#include "app/program.h"

#define MESSAGE_SIZE (LONG_PATH + 2 * MAX_PATH)

static void ShowRestored(HWND hDlg, CopiesWindow *w, const CopyVersion *version, const char *keep)
{
    char text[MESSAGE_SIZE] = "The version saved ", when[TIME_TEXT_SIZE];

    FormatFileTime(&version->saved, when, sizeof(when));
    AppendText(text, sizeof(text), when);
    AppendText(text, sizeof(text), " is back in place.");
    if (keep[0] != '\0') {
        AppendText(text, sizeof(text), " The content it replaced is kept in ");
        AppendText(text, sizeof(text), keep);
    }
    SetDlgItemTextA(hDlg, IDC_COPY_NOTE, text);
    ReloadCopies(hDlg, w);
}

static void ShowInUse(HWND hDlg, const CopiesWindow *w)
{
    char text[MESSAGE_SIZE] = "";

    lstrcpynA(text, FindFileName(w->source), sizeof(text));
    AppendText(text, sizeof(text), " is in use by another program, so it was left as it was.\n\n"
                                   "Close it there, then try again.");
    MessageBoxA(hDlg, text, PRODUCT_TITLE, MB_OK | MB_ICONEXCLAMATION);
}

static void ShowNoKeepPlace(const CopiesWindow *w)
{
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    ShowFailure("There is no place to keep the present content of:\n", w->source);
}

void RestoreAndReport(HWND hDlg, CopiesWindow *w, const CopyVersion *version, const char *asked)
{
    char keep[LONG_PATH];
    int result;

    if (!ChooseKeepPath(w, asked, keep, sizeof(keep))) {
        ShowNoKeepPlace(w);
        return;
    }
    result = RestoreVersion(w, version, keep);
    if (result == COPY_DONE)
        ShowRestored(hDlg, w, version, keep);
    else if (result == COPY_OTHER_VERSION)
        ShowNoLongerKept(hDlg, w);
    else if (IsInUseError(GetLastError()))
        ShowInUse(hDlg, w);
    else
        ShowFailure("This version could not be put back; the file was left as it was:\n", w->source);
}

// The question names where the present content is expected to go; what is
// kept, and where, is decided once it is answered.
static int AskToRestore(HWND hDlg, const CopiesWindow *w, const CopyVersion *version, char *asked, int size)
{
    char text[MESSAGE_SIZE] = "Put the version of ", when[TIME_TEXT_SIZE];
    WIN32_FIND_DATAA info;
    int present = GetPathInfo(w->source, &info);

    asked[0] = '\0';
    if (present && !MakeKeepPath(w, asked, size)) {
        ShowNoKeepPlace(w);
        return 0;
    }
    FormatFileTime(&version->saved, when, sizeof(when));
    AppendText(text, sizeof(text), FindFileName(w->source));
    AppendText(text, sizeof(text), " saved ");
    AppendText(text, sizeof(text), when);
    if (present) {
        AppendText(text, sizeof(text), " in place of the file?\n\nIts present content will be kept in:\n");
        AppendText(text, sizeof(text), asked);
    } else {
        AppendText(text, sizeof(text), " back?\n\nThe file is not there now.");
    }
    return MessageBoxA(hDlg, text, PRODUCT_TITLE, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void AskAndRestore(HWND hDlg, CopiesWindow *w, const CopyVersion *version)
{
    char asked[LONG_PATH];

    if (!IsVersionKept(w, version))
        ShowNoLongerKept(hDlg, w);
    else if (AskToRestore(hDlg, w, version, asked, sizeof(asked)))
        RestoreAndReport(hDlg, w, version, asked);
}
