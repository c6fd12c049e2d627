// One copy of a file: streamed in chunks under a temporary name beside the
// target and renamed into place only when whole, so the target is never a
// partial copy; whoever copies can stop it between chunks.
#include "layout/durable_copy.h"

#include "app/program.h"

#include <string.h>

#define CHUNK_SIZE (64 * 1024)

// Taken from the heap at the first copy and kept: as a static array it would
// ship 64 KiB of zeros inside the program file. Each program copies on one
// thread.
static BYTE *g_chunk;

// What a refusal to read the source means for its backup.
static int SourceFailure(DWORD error)
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
        return COPY_RETRY;  // in use, locked, or a passing trouble
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
    default:
        return COPY_RETRY;  // a copy held open, say
    }
}

// A rename over a file that someone holds open is refused as access denied
// or a sharing violation: it passes once they close it.
static int RenameFailure(DWORD error)
{
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
        return COPY_RETRY;
    return TargetFailure(error);
}

// A writer that still holds the file open makes this open fail: the copy
// waits for it rather than take half a save. The probe is closed at once so
// that the user's program is never refused its own file while we copy.
static HANDLE OpenWholeSource(const char *source, int *failure)
{
    HANDLE probe = OpenPath(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);

    if (probe == INVALID_HANDLE_VALUE) {
        *failure = SourceFailure(GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    CloseHandle(probe);
    probe = OpenPath(source, GENERIC_READ, ShareAll(), OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    if (probe == INVALID_HANDLE_VALUE)
        *failure = SourceFailure(GetLastError());
    return probe;
}

static int SameState(const BY_HANDLE_FILE_INFORMATION *a, const BY_HANDLE_FILE_INFORMATION *b)
{
    return a->nFileSizeLow == b->nFileSizeLow && a->nFileSizeHigh == b->nFileSizeHigh &&
           CompareFileTime(&a->ftLastWriteTime, &b->ftLastWriteTime) == 0;
}

// Streams in to out; COPY_DONE when every byte of the file came across.
static int StreamChunks(HANDLE in, HANDLE out, const BY_HANDLE_FILE_INFORMATION *state, EndCheck mustEnd)
{
    ULONGLONG expected = ((ULONGLONG)state->nFileSizeHigh << 32) | state->nFileSizeLow;
    ULONGLONG total = 0;
    DWORD got, put;

    if (g_chunk == NULL)
        g_chunk = (BYTE *)HeapAlloc(GetProcessHeap(), 0, CHUNK_SIZE);
    if (g_chunk == NULL) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return COPY_RETRY;
    }
    for (;;) {
        if (mustEnd != NULL && mustEnd())
            return COPY_STOPPED;
        if (!ReadFile(in, g_chunk, CHUNK_SIZE, &got, NULL))
            return COPY_RETRY;
        if (got == 0)
            break;
        // A full disk shows as a short or failed write.
        if (!WriteFile(out, g_chunk, got, &put, NULL))
            return TargetFailure(GetLastError());
        if (put != got) {
            SetLastError(ERROR_DISK_FULL);
            return FAIL_DISK_FULL;
        }
        total += got;
    }
    return total == expected ? COPY_DONE : COPY_RETRY;
}

// Writes what in holds into temp, with the source's time, flushed to the
// disk; COPY_DONE when the copy is whole and the source stayed the same.
static int WriteTemp(HANDLE in, const char *temp, const BY_HANDLE_FILE_INFORMATION *before, EndCheck mustEnd)
{
    BY_HANDLE_FILE_INFORMATION after;
    HANDLE out = OpenPath(temp, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    DWORD error;
    int result;

    if (out == INVALID_HANDLE_VALUE)
        return TargetFailure(GetLastError());
    result = StreamChunks(in, out, before, mustEnd);
    // The copy carries the source's time: that is how it is known current.
    if (result == COPY_DONE && !SetFileTime(out, NULL, NULL, &before->ftLastWriteTime))
        result = COPY_RETRY;
    // On the disk before the rename: after a power cut the target is the
    // old file or the new one, never a new name over unwritten blocks.
    if (result == COPY_DONE && !FlushFileBuffers(out))
        result = TargetFailure(GetLastError());
    error = GetLastError();
    if (!CloseHandle(out) && result == COPY_DONE)
        result = COPY_RETRY;
    SetLastError(error);
    // Written to while we read: what we have may mix two saves.
    if (result == COPY_DONE && (!GetFileInformationByHandle(in, &after) || !SameState(before, &after))) {
        SetLastError(ERROR_SHARING_VIOLATION);
        result = COPY_RETRY;
    }
    return result;
}

// The temporary name beside target; 0 when it does not fit or the system
// cannot reach it.
static int MakeTempName(const char *target, char *temp)
{
    if (strlen(target) + sizeof(TEMP_SUFFIX) > LONG_PATH)
        return 0;
    lstrcpynA(temp, target, LONG_PATH);
    lstrcatA(temp, TEMP_SUFFIX);
    return CanUsePath(temp);
}

static int PutInPlace(const char *temp, const char *target, int place)
{
    int placed = place == PLACE_KEEP_TARGET ? ReplacePathKeeping(temp, target) : MovePathReplacing(temp, target);

    return placed ? COPY_DONE : RenameFailure(GetLastError());
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
};

static int IsExpected(const BY_HANDLE_FILE_INFORMATION *state, const ExpectedState *expected)
{
    return (((ULONGLONG)state->nFileSizeHigh << 32) | state->nFileSizeLow) == expected->size &&
           CompareFileTime(&state->ftLastWriteTime, &expected->saved) == 0;
}

// The one copy, for any source or, with expected, only for the opened file
// that still is that version.
static int CopyOpened(const char *source, const char *target, int place, EndCheck mustEnd,
                      const ExpectedState *expected)
{
    char temp[LONG_PATH];
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
    in = OpenWholeSource(source, &result);
    if (in == INVALID_HANDLE_VALUE)
        return result;
    if (!GetFileInformationByHandle(in, &before)) {
        CloseHandle(in);
        return COPY_RETRY;
    }
    // Checked on the file we read from, not by its name: the name may have
    // been given another version since it was looked at.
    if (expected != NULL && !IsExpected(&before, expected)) {
        CloseHandle(in);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return COPY_OTHER_VERSION;
    }
    if (!MakeParentFolder(target)) {
        error = GetLastError();
        result = TargetFailure(error);
        CloseHandle(in);
        SetLastError(error);
        return result == COPY_RETRY ? FAIL_NOT_WRITABLE : result;
    }
    result = WriteTemp(in, temp, &before, mustEnd);
    error = GetLastError();
    CloseHandle(in);
    SetLastError(error);
    if (result == COPY_DONE)
        result = PutInPlace(temp, target, place);
    return result == COPY_DONE ? COPY_DONE : DropTemp(temp, result);
}

int CopyThroughTemp(const char *source, const char *target, int place, EndCheck mustEnd)
{
    return CopyOpened(source, target, place, mustEnd, NULL);
}

int CopyVersionThroughTemp(const char *source, const char *target, int place, const FILETIME *saved,
                           ULONGLONG size)
{
    ExpectedState expected;

    expected.saved = *saved;
    expected.size = size;
    return CopyOpened(source, target, place, NULL, &expected);
}
