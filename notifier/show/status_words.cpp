// The words of the icon's tip, its balloons and the status window's times,
// built from a snapshot into fixed buffers, cut to fit and terminated.
#include "notifier/notifier.h"
#include "notifier/show/show.h"
#include "notifier/show/status.h"
#include "notifier/trouble/trouble.h"

static void AppendNumber(char *out, int size, int number)
{
    char text[16];

    wsprintfA(text, "%d", number);
    AppendText(out, size, text);
}

// "1 file" or "N files".
static void AppendFiles(char *out, int size, int count)
{
    AppendNumber(out, size, count);
    AppendText(out, size, count == 1 ? " file" : " files");
}

int IsDiskGone(const NotifierStatus *status)
{
    return status->diskState == DISK_AWAY || status->diskState == DISK_OTHER;
}

int HasTrouble(const NotifierStatus *status)
{
    return status->troubleCount > 0 || IsDiskGone(status);
}

// "the backup disk is not there" or "... not the one that holds the copies".
const char *GetDiskSentence(const NotifierStatus *status)
{
    return FindReason(status->diskState == DISK_OTHER ? FAIL_OTHER_DISK : FAIL_DISK_AWAY)->sentence;
}

void FormatTip(const NotifierStatus *status, char *out, int size)
{
    if (size <= 0)
        return;
    lstrcpynA(out, PRODUCT_TITLE " - ", size);
    if (IsDiskGone(status)) {
        AppendText(out, size, GetDiskSentence(status));
    } else if (status->diskTrouble != 0) {
        AppendText(out, size, FindReason(status->diskTrouble)->sentence);
    } else if (status->troubleCount > 0) {
        AppendFiles(out, size, status->troubleCount);
        AppendText(out, size, " not backed up");
    } else if (status->copying > 0) {
        AppendText(out, size, "copying ");
        AppendFiles(out, size, status->copying);
    } else {
        AppendText(out, size, "all files backed up");
    }
}

void FormatBalloon(const NotifierStatus *status, LONG begun, char *out, int size)
{
    if (size <= 0)
        return;
    if (begun == 1 && IsWaitingForDisk(status->startedReason)) {
        lstrcpynA(out, PRODUCT_TITLE " - ", size);
        AppendText(out, size, FindReason(status->startedReason)->sentence);
        AppendText(out, size, ". Changes wait for it and are copied once it is back.");
        return;
    }
    lstrcpynA(out, PRODUCT_TITLE " cannot back up ", size);
    if (begun == 1) {
        AppendText(out, size, FindFileName(status->startedPath));
        AppendText(out, size, ": ");
        AppendText(out, size, FindReason(status->startedReason)->sentence);
        AppendText(out, size, ".");
        return;
    }
    AppendFiles(out, size, (int)begun);
    AppendText(out, size, ". Double-click the icon for the list.");
}

void FormatFileTimeText(const FILETIME *when, char *out, int size)
{
    FormatFileTime(when, out, size);
}

void FormatTickTime(DWORD tick, char *out, int size)
{
    FILETIME when;

    GetReportedTime(tick, &when);
    FormatFileTimeText(&when, out, size);
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
    AppendText(out, size, start);
}
