// One copy of a file: streamed in chunks under a temporary name beside the
// target and renamed into place only when whole, so the target is never a
// partial copy; the stop event is looked at between chunks.
#include "notifier/notifier.h"

#include <string.h>

#define CHUNK_SIZE (64 * 1024)
#define TEMP_SUFFIX ".~dx"

static BYTE g_chunk[CHUNK_SIZE];

static int IsStopSignalled(HANDLE stop)
{
    return stop != NULL && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
}

// A writer that still holds the file open makes this open fail: the copy
// waits for it rather than take half a save. The probe is closed at once so
// that the user's program is never refused its own file while we copy.
static HANDLE OpenWholeSource(const char *source, int *missing)
{
    HANDLE probe = OpenPath(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    DWORD error = GetLastError();

    *missing = probe == INVALID_HANDLE_VALUE && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
    if (probe == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    CloseHandle(probe);
    return OpenPath(source, GENERIC_READ, ShareAll(), OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
}

static int SameState(const BY_HANDLE_FILE_INFORMATION *a, const BY_HANDLE_FILE_INFORMATION *b)
{
    return a->nFileSizeLow == b->nFileSizeLow && a->nFileSizeHigh == b->nFileSizeHigh &&
           CompareFileTime(&a->ftLastWriteTime, &b->ftLastWriteTime) == 0;
}

// Streams in to out; COPY_DONE when every byte of the file came across.
static int StreamChunks(HANDLE in, HANDLE out, const BY_HANDLE_FILE_INFORMATION *state, HANDLE stop)
{
    ULONGLONG expected = ((ULONGLONG)state->nFileSizeHigh << 32) | state->nFileSizeLow;
    ULONGLONG total = 0;
    DWORD got, put;

    for (;;) {
        if (IsStopSignalled(stop))
            return COPY_STOPPED;
        if (!ReadFile(in, g_chunk, CHUNK_SIZE, &got, NULL))
            return COPY_RETRY;
        if (got == 0)
            break;
        // A full disk shows as a short or failed write.
        if (!WriteFile(out, g_chunk, got, &put, NULL) || put != got)
            return COPY_RETRY;
        total += got;
    }
    return total == expected ? COPY_DONE : COPY_RETRY;
}

int CopyThroughTemp(const char *source, const char *target, HANDLE stop)
{
    char temp[LONG_PATH], folder[LONG_PATH];
    BY_HANDLE_FILE_INFORMATION before, after;
    HANDLE in, out;
    int missing, result;
    char *slash;

    // A target with no room for the temporary name, or past what the system
    // can reach, can never be copied: no use trying again.
    if (strlen(target) + sizeof(TEMP_SUFFIX) > sizeof(temp))
        return COPY_DONE;
    lstrcpynA(temp, target, sizeof(temp));
    lstrcatA(temp, TEMP_SUFFIX);
    if (!CanUsePath(temp))
        return COPY_DONE;
    lstrcpynA(folder, target, sizeof(folder));
    slash = strrchr(folder, '\\');
    if (slash != NULL)
        *slash = '\0';

    in = OpenWholeSource(source, &missing);
    if (in == INVALID_HANDLE_VALUE)
        return missing ? COPY_DONE : COPY_RETRY;
    if (!GetFileInformationByHandle(in, &before) || !MakeFolderTree(folder)) {
        CloseHandle(in);
        return COPY_RETRY;
    }
    out = OpenPath(temp, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return COPY_RETRY;
    }
    result = StreamChunks(in, out, &before, stop);
    // The copy carries the source's time: that is how it is known current.
    if (result == COPY_DONE && !SetFileTime(out, NULL, NULL, &before.ftLastWriteTime))
        result = COPY_RETRY;
    if (!CloseHandle(out) && result == COPY_DONE)
        result = COPY_RETRY;
    // Written to while we read: what we have may mix two saves.
    if (result == COPY_DONE && (!GetFileInformationByHandle(in, &after) || !SameState(&before, &after)))
        result = COPY_RETRY;
    CloseHandle(in);
    if (result == COPY_DONE && !MovePathReplacing(temp, target))
        result = COPY_RETRY;
    if (result != COPY_DONE)
        DeletePath(temp);
    return result;
}
