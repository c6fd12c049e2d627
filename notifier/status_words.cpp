// The words of the icon's tip, its balloons and the status window's times,
// built from a snapshot into fixed buffers, cut to fit and terminated.
#include "notifier/status.h"

// Appends text to out (size bytes), cutting what does not fit.
static void AppendCut(char *out, int size, const char *text)
{
    int used = lstrlenA(out);

    if (used < size - 1)
        lstrcpynA(out + used, text, size - used);
}

static void AppendNumber(char *out, int size, int number)
{
    char text[16];

    wsprintfA(text, "%d", number);
    AppendCut(out, size, text);
}

// "1 file" or "N files".
static void AppendFiles(char *out, int size, int count)
{
    AppendNumber(out, size, count);
    AppendCut(out, size, count == 1 ? " file" : " files");
}

int HasTrouble(const NotifierStatus *status)
{
    return status->troubleCount > 0;
}

void FormatTip(const NotifierStatus *status, char *out, int size)
{
    if (size <= 0)
        return;
    lstrcpynA(out, PRODUCT_TITLE " - ", size);
    if (status->diskTrouble != 0) {
        AppendCut(out, size, "the backup folder cannot be written");
    } else if (status->troubleCount > 0) {
        AppendFiles(out, size, status->troubleCount);
        AppendCut(out, size, " not backed up");
    } else if (status->copying > 0) {
        AppendCut(out, size, "copying ");
        AppendFiles(out, size, status->copying);
    } else {
        AppendCut(out, size, "all files backed up");
    }
}

// What the log calls in use, missing and so on, as a sentence says it.
static const char *ExplainFailure(int reason)
{
    switch (reason) {
    case FAIL_MISSING:
        return "the file is missing";
    case FAIL_ACCESS:
        return "access to the file is denied";
    case FAIL_NAME:
        return "the system cannot use its name";
    case FAIL_TOO_LONG:
        return "its path is too long";
    case FAIL_DISK_FULL:
        return "the backup disk is full";
    case FAIL_NOT_WRITABLE:
        return "the backup folder cannot be written";
    default:
        return "another program keeps it in use";
    }
}

static const char *FindName(const char *path)
{
    const char *slash = FindLastBackslash(path);

    return slash != NULL ? slash + 1 : path;
}

void FormatBalloon(const NotifierStatus *status, LONG begun, char *out, int size)
{
    if (size <= 0)
        return;
    lstrcpynA(out, PRODUCT_TITLE " cannot back up ", size);
    if (begun == 1) {
        AppendCut(out, size, FindName(status->startedPath));
        AppendCut(out, size, ": ");
        AppendCut(out, size, ExplainFailure(status->startedReason));
        AppendCut(out, size, ".");
        return;
    }
    AppendFiles(out, size, (int)begun);
    AppendCut(out, size, ". Double-click the icon for the list.");
}

void FormatFileTimeText(const FILETIME *when, char *out, int size)
{
    char text[32];
    FILETIME local;
    SYSTEMTIME parts;

    if (size <= 0)
        return;
    out[0] = '\0';
    if (!FileTimeToLocalFileTime(when, &local) || !FileTimeToSystemTime(&local, &parts))
        return;
    FormatLogTime(&parts, text);
    text[lstrlenA(text) - 1] = '\0';  // the log's line goes on after a blank
    lstrcpynA(out, text, size);
}

void FormatTickTime(DWORD tick, char *out, int size)
{
    FILETIME now;
    ULONGLONG at;

    GetSystemTimeAsFileTime(&now);
    at = ToTicks(&now) - (ULONGLONG)(GetTickCount() - tick) * 10000;
    now.dwLowDateTime = (DWORD)at;
    now.dwHighDateTime = (DWORD)(at >> 32);
    FormatFileTimeText(&now, out, size);
}

// Cut at the start, by character, after "...": the name is what tells.
void CopyPathTail(const char *path, char *out, int size)
{
    const char *start = path;
    int length = lstrlenA(path);

    if (size <= 0)
        return;
    if (length < size) {
        lstrcpynA(out, path, size);
        return;
    }
    while (*start != '\0' && length - (int)(start - path) + 3 >= size)
        start = CharNextA(start);
    lstrcpynA(out, "...", size);
    AppendCut(out, size, start);
}
