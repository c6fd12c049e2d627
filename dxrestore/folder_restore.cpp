// Restore and Restore To... of the folder window: the chosen files put back
// as they were at the moment shown, or made in another folder. Each file
// goes through the file window's own restore, so the present content of a
// replaced file is kept first and a file in use is left whole.
#include "dxrestore/folder.h"

#include "app/program.h"

#include <shlobj.h>

#define MESSAGE_SIZE 2048
#define NAMED_FAILURES 5

struct RestoreTally {
    int done, failed;
    char failures[MESSAGE_SIZE];
};

// "1 file" or "n files", and the verb to go with it.
static void AppendCount(char *out, int size, int count, const char *what, const char *one, const char *many)
{
    char number[16];

    wsprintfA(number, "%d ", count);
    AppendText(out, size, number);
    AppendText(out, size, what);
    AppendText(out, size, count == 1 ? one : many);
}

static void NoteFailure(RestoreTally *tally, const char *name, const char *why)
{
    tally->failed++;
    if (tally->failed > NAMED_FAILURES)
        return;
    if (tally->failed > 1)
        AppendText(tally->failures, sizeof(tally->failures), ", ");
    AppendText(tally->failures, sizeof(tally->failures), name);
    AppendText(tally->failures, sizeof(tally->failures), why);
}

static void NoteResult(RestoreTally *tally, const char *name, int result)
{
    if (result == COPY_DONE)
        tally->done++;
    else if (result == COPY_OTHER_VERSION)
        NoteFailure(tally, name, " is no longer kept");
    else if (IsInUseError(GetLastError()))
        NoteFailure(tally, name, " is in use");
    else
        NoteFailure(tally, name, " could not be written");
}

// "12 files were put back." or "10 of 12 files were put back; 2 could not be: ...".
static void ShowTally(HWND hDlg, const RestoreTally *tally, const char *done)
{
    char text[MESSAGE_SIZE + 256] = "", number[16];
    int total = tally->done + tally->failed;

    if (tally->failed > 0) {
        wsprintfA(number, "%d of ", tally->done);
        AppendText(text, sizeof(text), number);
    }
    AppendCount(text, sizeof(text), total, "file", tally->failed > 0 || total != 1 ? "s were " : " was ",
                "s were ");
    AppendText(text, sizeof(text), done);
    if (tally->failed > 0) {
        wsprintfA(number, "; %d could not be: ", tally->failed);
        AppendText(text, sizeof(text), number);
        AppendText(text, sizeof(text), tally->failures);
        AppendText(text, sizeof(text), tally->failed > NAMED_FAILURES ? ", ..." : "");
    }
    AppendText(text, sizeof(text), ".");
    MessageBoxA(hDlg, text, PRODUCT_TITLE, MB_OK | (tally->failed > 0 ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

static int AskToRestoreRows(HWND hDlg, const FolderWindow *w, int deleted, int changed)
{
    char text[512] = "Put ", when[TIME_TEXT_SIZE];

    FormatMoment(&w->index, w->moment, when, sizeof(when));
    AppendCount(text, sizeof(text), deleted + changed, "file", "", "s");
    // "Now" shows each deleted file as it was last saved.
    AppendText(text, sizeof(text), w->moment == 0 ? " back as last saved" : " back as they were at ");
    AppendText(text, sizeof(text), w->moment == 0 ? "" : when);
    AppendText(text, sizeof(text), "? ");
    if (deleted > 0)
        AppendCount(text, sizeof(text), deleted, "deleted file", " is made again", "s are made again");
    AppendText(text, sizeof(text), deleted > 0 && changed > 0 ? " and " : "");
    if (changed > 0)
        AppendCount(text, sizeof(text), changed, "changed file", " is replaced; its present content is kept as a copy",
                    "s are replaced; their present content is kept as a copy");
    AppendText(text, sizeof(text), ".");
    return MessageBoxA(hDlg, text, PRODUCT_TITLE, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// One row put back; the keep folder is named with the first row and holds
// the present content of all of them. It is made only when a file has
// content to keep: a file gone since is only made again.
static int RestoreOneRow(FolderWindow *w, const FolderRow *row, char *keepFolder)
{
    char keep[LONG_PATH] = "";
    CopyVersion version;

    if (!TakeRowFile(w, row, &version) ||
        (keepFolder[0] == '\0' && !MakeKeepFolder(w->index.backup, keepFolder, LONG_PATH)) ||
        !MapToBackup(keepFolder, w->file.source, keep, sizeof(keep))) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FAIL_TOO_LONG;
    }
    return RestoreVersion(&w->file, &version, keep);
}

void RestoreRows(HWND hDlg, FolderWindow *w, const int *chosen, int count)
{
    RestoreTally *tally = (RestoreTally *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(RestoreTally));
    char keepFolder[LONG_PATH] = "";
    int deleted = 0, changed = 0, i;

    for (i = 0; i < count; i++) {
        deleted += w->rows[chosen[i]].state == ROW_DELETED;
        changed += w->rows[chosen[i]].state == ROW_CHANGED;
    }
    if (tally == NULL || deleted + changed == 0) {
        MessageBoxA(hDlg, "These files are as they were then: there is nothing to put back.", PRODUCT_TITLE,
                    MB_OK | MB_ICONINFORMATION);
    } else if (AskToRestoreRows(hDlg, w, deleted, changed)) {
        for (i = 0; i < count; i++) {
            const FolderRow *row = &w->rows[chosen[i]];

            if (row->state != ROW_SAME)
                NoteResult(tally, GetFileName(&w->index, row->file), RestoreOneRow(w, row, keepFolder));
        }
        ShowTally(hDlg, tally, "put back");
    }
    if (tally != NULL)
        HeapFree(GetProcessHeap(), 0, tally);
}

// The folder the user picks with the shell's folder browser; 0 when none.
static int AskForFolder(HWND hDlg, char *folder)
{
    BROWSEINFOA info;
    LPITEMIDLIST chosen;
    IMalloc *shellMalloc = NULL;
    int got;

    ZeroMemory(&info, sizeof(info));
    info.hwndOwner = hDlg;
    info.pszDisplayName = folder;
    info.lpszTitle = "Make the chosen files, each at its path below the folder, in:";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    chosen = SHBrowseForFolderA(&info);
    if (chosen == NULL)
        return 0;
    got = SHGetPathFromIDListA(chosen, folder);
    if (SHGetMalloc(&shellMalloc) == S_OK) {
        shellMalloc->Free(chosen);
        shellMalloc->Release();
    }
    return got && folder[0] != '\0';
}

// The version from its copies, or from the file itself when it is what
// the file holds now and no copy has it.
static int CopyRowTo(FolderWindow *w, const FolderRow *row, const char *folder)
{
    char target[LONG_PATH];
    CopyVersion version;
    int result;

    if (!TakeRowFile(w, row, &version) ||
        !JoinPath(target, sizeof(target), folder, GetFileName(&w->index, row->file))) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FAIL_TOO_LONG;
    }
    result = CopyVersionTo(&w->file, &version, target, PLACE_RENAME);
    if (result == COPY_OTHER_VERSION && row->state != ROW_DELETED)
        result = CopyVersionThroughTemp(w->file.source, target, PLACE_RENAME, &row->saved, row->size, 0);
    return result;
}

void RestoreRowsTo(HWND hDlg, FolderWindow *w, const int *chosen, int count)
{
    RestoreTally *tally = (RestoreTally *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(RestoreTally));
    char folder[MAX_PATH] = "", done[MAX_PATH + 16] = "made in ";
    int i;

    if (tally != NULL && AskForFolder(hDlg, folder)) {
        for (i = 0; i < count; i++)
            NoteResult(tally, GetFileName(&w->index, w->rows[chosen[i]].file), CopyRowTo(w, &w->rows[chosen[i]], folder));
        AppendText(done, sizeof(done), folder);
        ShowTally(hDlg, tally, done);
    }
    if (tally != NULL)
        HeapFree(GetProcessHeap(), 0, tally);
}
