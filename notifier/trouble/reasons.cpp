// Why a file is not backed up: one row per reason, with the words the log,
// the icon and the status window use for it and how the notifier treats it.
// A new reason is one more row.
#include "notifier/notifier.h"
#include "notifier/trouble/trouble.h"

static const FailureReason REASONS[] = {
    // code, text, sentence, permanent, disk, saved, waits
    {FAIL_MISSING, "missing", "the file is missing", 1, 0, 0, 0},
    {FAIL_ACCESS, "access denied", "access to the file is denied", 1, 0, 0, 0},
    {FAIL_NAME, "name not possible", "the system cannot use its name", 1, 0, 0, 0},
    {FAIL_TOO_LONG, "path too long", "its path is too long", 1, 0, 0, 0},
    {FAIL_ONLINE_ONLY, "online only", "its content is online only, not on this disk", 1, 0, 0, 0},
    {FAIL_DISK_FULL, "backup disk full", "the backup disk is full", 0, 1, 0, 0},
    {FAIL_NOT_WRITABLE, "backup folder not writable", "the backup folder cannot be written", 0, 1, 0, 0},
    // The file waits for the backup disk: no failure of its own, and no
    // copy is tried until the disk is back.
    {FAIL_DISK_AWAY, "waits for the backup disk", "the backup disk is not there", 0, 1, 0, 1},
    {FAIL_OTHER_DISK, "waits for the backup disk", "the backup disk is not the one that holds the copies", 0, 1,
     0, 1},
    // Tried again once the file changes or the backup disk comes back.
    {FAIL_TOO_BIG, "too big for the backup disk", "it is too big for the backup disk", 1, 0, 0, 0},
    {FAIL_COPY_HELD, "a copy is held open", "another program holds its copy open", 0, 0, 0, 0},
    // The version is safe beside the newest copy; it takes that copy's
    // place once the other program lets go.
    {COPY_WAITING, "waits beside a copy held open", "its copy is held open; the version is saved beside it",
     0, 0, 1, 0},
    // Last: what any other code means.
    {COPY_RETRY, "in use", "another program keeps it in use", 0, 0, 0, 0},
};

const FailureReason *FindReason(int code)
{
    const int last = (int)(sizeof(REASONS) / sizeof(REASONS[0])) - 1;
    int i;

    for (i = 0; i < last && REASONS[i].code != code; i++) {
    }
    return &REASONS[i];
}

int IsPermanentFailure(int reason)
{
    return FindReason(reason)->permanent;
}

int IsDiskFailure(int reason)
{
    return FindReason(reason)->disk;
}

int IsWaitingForDisk(int reason)
{
    return FindReason(reason)->waits;
}
