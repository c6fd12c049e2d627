// One copy of a file: streamed in chunks under a temporary name beside the
// target and renamed into place only when whole, so the target is never a
// partial copy; whoever copies can stop it between chunks.
#include "layout/copy_layout.h"

#include "app/program.h"

#include <string.h>

#define CHUNK_SIZE (64 * 1024)
// A big copy is flushed as it goes, so that the last flush before its
// rename is short: whoever copies can then stop it at once.
#define FLUSH_EVERY (32 * 1024 * 1024)

int ClassifySourceError(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return FAIL_MISSING;
    case ERROR_ACCESS_DENIED:
        return FAIL_ACCESS;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        return FAIL_NAME;
    case ERROR_FILENAME_EXCED_RANGE:
        return FAIL_TOO_LONG;
    default:
        return COPY_RETRY; // in use, locked, or a passing trouble
    }
}

// What a refusal to write under the target's folder means.
static int TargetFailure(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return FAIL_DISK_FULL;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NOT_READY:
    case ERROR_PATH_NOT_FOUND:
        return FAIL_NOT_WRITABLE;
    case ERROR_FILENAME_EXCED_RANGE:
        return FAIL_TOO_LONG;
    case ERROR_FILE_TOO_LARGE:
        return FAIL_TOO_BIG;
    case ERROR_INVALID_DRIVE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NO_NET_OR_BAD_PATH:
        return FAIL_DISK_AWAY;
    default:
        return COPY_RETRY; // a copy held open, say
    }
}

// A rename over a file that someone holds open is refused as access denied
// or a sharing violation: it passes once they close it.
static int RenameFailure(DWORD error)
{
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return FAIL_COPY_HELD;
    return TargetFailure(error);
}

// The open the copy reads through, sharing everything with the user's
// programs.
static HANDLE OpenForCopy(const char *source, int *failure)
{
    HANDLE in = OpenPath(source, GENERIC_READ, ShareAll(), OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);

    if (in == INVALID_HANDLE_VALUE)
        *failure = ClassifySourceError(GetLastError());
    return in;
}

// A writer that still holds the file open makes this open fail: the copy
// waits for it rather than take half a save. The probe is closed at once so
// that the user's program is never refused its own file while we copy.
static HANDLE OpenWholeSource(const char *source, int *failure)
{
    HANDLE probe = OpenPath(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);

    if (probe == INVALID_HANDLE_VALUE) {
        *failure = ClassifySourceError(GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    CloseHandle(probe);
    return OpenForCopy(source, failure);
}

static int SameState(const BY_HANDLE_FILE_INFORMATION *a, const BY_HANDLE_FILE_INFORMATION *b)
{
    return a->nFileSizeLow == b->nFileSizeLow && a->nFileSizeHigh == b->nFileSizeHigh &&
           CompareFileTime(&a->ftLastWriteTime, &b->ftLastWriteTime) == 0;
}

// The staged copies one read goes into: the target's, and a second (a
// slot's copy of the same version) where one is asked for. The second is
// dropped when it fails; the first goes on without it.
struct StagedCopies {
    const char *temp[2];
    HANDLE out[2];
    int count;
};

static void DropSecond(StagedCopies *staged)
{
    if (staged->count < 2)
        return;
    CloseHandle(staged->out[1]);
    DeletePath(staged->temp[1]);
    staged->count = 1;
}

static int WriteChunk(StagedCopies *staged, const BYTE *chunk, DWORD got)
{
    DWORD put;

    // A full disk shows as a short or failed write.
    if (!WriteFile(staged->out[0], chunk, got, &put, NULL))
        return TargetFailure(GetLastError());
    if (put != got) {
        SetLastError(ERROR_DISK_FULL);
        return FAIL_DISK_FULL;
    }
    if (staged->count > 1 && (!WriteFile(staged->out[1], chunk, got, &put, NULL) || put != got))
        DropSecond(staged);
    return COPY_DONE;
}

// Streams in to the staged copies; COPY_DONE when every byte of the file
// came across.
static int StreamInto(HANDLE in, StagedCopies *staged, BYTE *chunk, ULONGLONG expected, EndCheck mustEnd)
{
    ULONGLONG total = 0;
    DWORD got;
    int result, i;

    for (;;) {
        if (mustEnd != NULL && mustEnd())
            return COPY_STOPPED;
        if (!ReadFile(in, chunk, CHUNK_SIZE, &got, NULL))
            return COPY_RETRY;
        if (got == 0)
            break;
        if ((result = WriteChunk(staged, chunk, got)) != COPY_DONE)
            return result;
        total += got;
        for (i = 0; total % FLUSH_EVERY == 0 && i < staged->count; i++) {
            if (!FlushFileBuffers(staged->out[i]))
                return TargetFailure(GetLastError());
        }
    }
    return total == expected ? COPY_DONE : COPY_RETRY;
}

// Streams in to the staged copies. The chunk comes from the heap for each
// copy, which may run on several threads: as a static array it would also
// ship 64 KiB of zeros in the program file.
static int StreamChunks(HANDLE in, StagedCopies *staged, const BY_HANDLE_FILE_INFORMATION *state, EndCheck mustEnd)
{
    BYTE *chunk = (BYTE *)HeapAlloc(GetProcessHeap(), 0, CHUNK_SIZE);
    DWORD error;
    int result;

    if (chunk == NULL) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return COPY_RETRY;
    }
    result =
        StreamInto(in, staged, chunk, ((ULONGLONG)state->nFileSizeHigh << 32) | state->nFileSizeLow, mustEnd);
    error = GetLastError();
    HeapFree(GetProcessHeap(), 0, chunk);
    SetLastError(error);
    return result;
}

// The temporary file, and the target's folders when they are missing;
// *failure tells why there is none.
static HANDLE CreateTemp(const char *temp, int *failure)
{
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
    HANDLE out = OpenPath(temp, GENERIC_WRITE, 0, CREATE_ALWAYS, flags);
    DWORD error;

    if (out == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
        // Folders that cannot be made: the backup folder refuses.
        if (!MakeParentFolder(temp)) {
            error = GetLastError();
            *failure = TargetFailure(error) == COPY_RETRY ? FAIL_NOT_WRITABLE : TargetFailure(error);
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        out = OpenPath(temp, GENERIC_WRITE, 0, CREATE_ALWAYS, flags);
    }
    if (out == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        *failure = TargetFailure(error);
        SetLastError(error);
    }
    return out;
}

// Gives a staged copy the source's time (that is how it is known current)
// and puts it on the disk before its rename: after a power cut the target
// is the old file or the new one, never a new name over unwritten blocks.
static int FinishStaged(HANDLE out, const BY_HANDLE_FILE_INFORMATION *before)
{
    if (!SetFileTime(out, NULL, NULL, &before->ftLastWriteTime))
        return COPY_RETRY;
    return FlushFileBuffers(out) ? COPY_DONE : TargetFailure(GetLastError());
}

// Writes what in holds into the staged copies, flushed to the disk;
// COPY_DONE when the first is whole and the source stayed the same.
static int WriteStaged(HANDLE in, StagedCopies *staged, const BY_HANDLE_FILE_INFORMATION *before,
                       EndCheck mustEnd)
{
    BY_HANDLE_FILE_INFORMATION after;
    DWORD error;
    int result = COPY_DONE;

    staged->out[0] = CreateTemp(staged->temp[0], &result);
    if (staged->out[0] == INVALID_HANDLE_VALUE) {
        staged->count = 1;
        return result;
    }
    // A second copy that cannot be made is left out; the first goes on.
    if (staged->count > 1)
        staged->out[1] = CreateTemp(staged->temp[1], &result);
    if (staged->count > 1 && staged->out[1] == INVALID_HANDLE_VALUE)
        staged->count = 1;
    result = StreamChunks(in, staged, before, mustEnd);
    if (result == COPY_DONE)
        result = FinishStaged(staged->out[0], before);
    if (result == COPY_DONE && staged->count > 1 && FinishStaged(staged->out[1], before) != COPY_DONE)
        DropSecond(staged);
    error = GetLastError();
    if (!CloseHandle(staged->out[0]) && result == COPY_DONE)
        result = COPY_RETRY;
    if (staged->count > 1 && !CloseHandle(staged->out[1])) {
        DeletePath(staged->temp[1]);
        staged->count = 1;
    }
    SetLastError(error);
    // Written to while we read: what we have may mix two saves.
    if (result == COPY_DONE && (!GetFileInformationByHandle(in, &after) || !SameState(before, &after))) {
        SetLastError(ERROR_SHARING_VIOLATION);
        result = COPY_RETRY;
    }
    return result;
}

int MakeTempName(const char *target, char *temp)
{
    return AddSuffix(temp, LONG_PATH, target, TEMP_SUFFIX) && CanUsePath(temp);
}

static int PutInPlace(const char *temp, const char *target, int place)
{
    char waiting[LONG_PATH];
    int placed =
        place == PLACE_KEEP_TARGET ? ReplacePathKeeping(temp, target) : MovePathReplacing(temp, target);
    int result = placed ? COPY_DONE : RenameFailure(GetLastError());

    // Someone holds the target open: the new content waits beside it
    // rather than being thrown away.
    if (result == FAIL_COPY_HELD && place == PLACE_OR_WAIT &&
        AddSuffix(waiting, LONG_PATH, target, WAITING_SUFFIX) && MovePathReplacing(temp, waiting))
        return COPY_WAITING;
    return result;
}

// The temporary file goes whatever happened, with the failure's own error.
static int DropTemp(const char *temp, int result)
{
    DWORD error = GetLastError();

    DeletePath(temp);
    SetLastError(error);
    return result;
}

// The write time and size a source must still have when it is opened.
struct ExpectedState {
    FILETIME saved;
    ULONGLONG size;
    int kept;  // a copy the product made, under the backup path
};

static int IsExpected(const BY_HANDLE_FILE_INFORMATION *state, const ExpectedState *expected)
{
    return (((ULONGLONG)state->nFileSizeHigh << 32) | state->nFileSizeLow) == expected->size &&
           CompareFileTime(&state->ftLastWriteTime, &expected->saved) == 0;
}

// The second staged copy goes in at second once the first is placed (or
// waits), and goes away otherwise; whether it was placed.
static int PlaceSecond(const StagedCopies *staged, const char *second, int result)
{
    if (staged->count < 2)
        return 0;
    if ((result == COPY_DONE || result == COPY_WAITING) && MovePathReplacing(staged->temp[1], second))
        return 1;
    DeletePath(staged->temp[1]);
    return 0;
}

// Opens the source for a copy and reads its state; INVALID_HANDLE_VALUE
// with *result the reason when it is not there, or not the expected
// version.
static HANDLE OpenSource(const char *source, const ExpectedState *expected, BY_HANDLE_FILE_INFORMATION *before,
                         int *result)
{
    // A copy the product made is never written in place, and its size and
    // time are checked on the handle before and after: it needs no look for
    // a writer first.
    HANDLE in = expected != NULL && expected->kept ? OpenForCopy(source, result) : OpenWholeSource(source, result);

    if (in == INVALID_HANDLE_VALUE)
        return in;
    if (!GetFileInformationByHandle(in, before)) {
        CloseHandle(in);
        *result = COPY_RETRY;
        return INVALID_HANDLE_VALUE;
    }
    // Checked on the file we read from, not by its name: the name may have
    // been given another version since it was looked at.
    if (expected != NULL && !IsExpected(before, expected)) {
        CloseHandle(in);
        SetLastError(ERROR_FILE_NOT_FOUND);
        *result = COPY_OTHER_VERSION;
        return INVALID_HANDLE_VALUE;
    }
    return in;
}

// The one copy, for any source or, with expected, only for the opened file
// that still is that version; with second, one read also makes a copy
// there (*secondMade says whether it was).
static int CopyOpened(const char *source, const char *target, int place, EndCheck mustEnd,
                      const ExpectedState *expected, const char *second, int *secondMade)
{
    char temp[LONG_PATH], temp2[LONG_PATH];
    StagedCopies staged;
    BY_HANDLE_FILE_INFORMATION before;
    HANDLE in;
    DWORD error;
    int result = COPY_DONE;

    // A target with no room for the temporary name, or past what the system
    // can reach, can never be copied: no use trying again.
    if (!MakeTempName(target, temp)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FAIL_TOO_LONG;
    }
    staged.temp[0] = temp;
    staged.temp[1] = temp2;
    staged.count = second != NULL && MakeTempName(second, temp2) ? 2 : 1;
    in = OpenSource(source, expected, &before, &result);
    if (in == INVALID_HANDLE_VALUE)
        return result;
    result = WriteStaged(in, &staged, &before, mustEnd);
    error = GetLastError();
    CloseHandle(in);
    SetLastError(error);
    if (result == COPY_DONE && place != PLACE_STAGED)
        result = PutInPlace(temp, target, place);
    if (secondMade != NULL)
        *secondMade = PlaceSecond(&staged, second, result);
    return result == COPY_DONE || result == COPY_WAITING ? result : DropTemp(temp, result);
}

// Errors of a link that no retry mends: the file system, the share or the
// system makes no links there.
static int IsLinkRefusal(DWORD error)
{
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_NOT_SAME_DEVICE ||
           error == ERROR_TOO_MANY_LINKS || error == ERROR_INVALID_PARAMETER;
}

static int LinkFailure(DWORD error)
{
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return FAIL_COPY_HELD;
    // A refusal we cannot tell from an unwritable folder (a share that
    // denies links) is left to the data copy, whose own failure says more.
    return IsLinkRefusal(error) || error == ERROR_ACCESS_DENIED ? LINK_REFUSED : TargetFailure(error);
}

static int IsNameTaken(DWORD error)
{
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

int LinkThroughTemp(const char *existing, const char *target)
{
    char temp[LONG_PATH];
    DWORD error;

    if (MakeHardLink(target, existing))
        return COPY_DONE;
    error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND && MakeParentFolder(target) && MakeHardLink(target, existing))
        return COPY_DONE;
    if (!IsNameTaken(error))
        return LinkFailure(GetLastError());
    // The old file at target goes by the rename, never before it.
    if (!MakeTempName(target, temp))
        return FAIL_TOO_LONG;
    // A temporary name left by a power cut goes only when it is in the way.
    if (!MakeHardLink(temp, existing)) {
        error = GetLastError();
        if (!IsNameTaken(error))
            return LinkFailure(error);
        if (!DeletePath(temp) || !MakeHardLink(temp, existing))
            return LinkFailure(GetLastError());
    }
    if (MovePathReplacing(temp, target))
        return COPY_DONE;
    return DropTemp(temp, RenameFailure(GetLastError()));
}

int PlaceKeepingAside(const char *staged, const char *target, const char *aside)
{
    int result;

    // One rename where the system can: no second copy of the data. The keep
    // folder is made when the first try fails, not looked at for each file.
    if (ReplacePathKeepingAside(staged, target, aside) ||
        (MakeParentFolder(aside) && ReplacePathKeepingAside(staged, target, aside)))
        return COPY_DONE;
    result = CopyThroughTemp(target, aside, PLACE_RENAME, NULL);
    if (result == COPY_DONE)
        result = PutInPlace(staged, target, PLACE_KEEP_TARGET);
    return result == COPY_DONE ? result : DropTemp(staged, result);
}

int CopyThroughTemp(const char *source, const char *target, int place, EndCheck mustEnd)
{
    return CopyOpened(source, target, place, mustEnd, NULL, NULL, NULL);
}

int CopyThroughTemps(const char *source, const char *target, const char *second, int place, EndCheck mustEnd,
                     int *secondMade)
{
    *secondMade = 0;
    return CopyOpened(source, target, place, mustEnd, NULL, second, secondMade);
}

int CopyVersionThroughTemp(const char *source, const char *target, int place, const FILETIME *saved,
                           ULONGLONG size, int kept)
{
    ExpectedState expected;

    expected.saved = *saved;
    expected.size = size;
    expected.kept = kept;
    return CopyOpened(source, target, place, NULL, &expected, NULL, NULL);
}
