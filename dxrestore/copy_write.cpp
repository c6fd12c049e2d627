// Writing a file whole or not at all: the content goes under a temporary
// name beside the target, is flushed to the disk, and only then renamed
// over the target, so a reader sees the old file or the new, never a mix.
#include "dxrestore/copies.h"

#include "app/program.h"

#include <string.h>

#define CHUNK_SIZE (64 * 1024)
#define TEMP_SUFFIX ".~dx"

int IsInUseError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Keeps the error that made a step fail across the cleaning up.
static int FailWith(DWORD error, HANDLE in, HANDLE out, const char *temp)
{
    if (in != INVALID_HANDLE_VALUE)
        CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    if (temp != NULL)
        DeletePath(temp);
    SetLastError(error);
    return 0;
}

static int StreamChunks(HANDLE in, HANDLE out, BYTE *chunk)
{
    DWORD got, put;

    for (;;) {
        if (!ReadFile(in, chunk, CHUNK_SIZE, &got, NULL))
            return 0;
        if (got == 0)
            return 1;
        if (!WriteFile(out, chunk, got, &put, NULL))
            return 0;
        if (put != got) {
            SetLastError(ERROR_DISK_FULL);
            return 0;
        }
    }
}

// The chunk comes from the heap: a static one, even of zeros, was stored
// whole in the program's file.
static int StreamAll(HANDLE in, HANDLE out)
{
    BYTE *chunk = (BYTE *)HeapAlloc(GetProcessHeap(), 0, CHUNK_SIZE);
    DWORD error;
    int done;

    if (chunk == NULL) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    done = StreamChunks(in, out, chunk);
    error = GetLastError();
    HeapFree(GetProcessHeap(), 0, chunk);
    SetLastError(error);
    return done;
}

// The target's folder, made when missing: a deleted file's folder may be
// gone too.
static int MakeParentFolder(const char *path)
{
    char folder[LONG_PATH];
    char *slash;

    lstrcpynA(folder, path, sizeof(folder));
    slash = (char *)FindLastBackslash(folder);
    if (slash == NULL || slash - folder < 3)
        return 1;
    *slash = '\0';
    return MakeFolderTree(folder);
}

int WriteThroughTemp(const char *from, const char *to)
{
    char temp[LONG_PATH];
    FILETIME written;
    HANDLE in, out;

    if (strlen(to) + sizeof(TEMP_SUFFIX) > sizeof(temp))
        return FailWith(ERROR_FILENAME_EXCED_RANGE, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, NULL);
    lstrcpyA(temp, to);
    lstrcatA(temp, TEMP_SUFFIX);
    in = OpenPath(from, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    if (in == INVALID_HANDLE_VALUE)
        return FailWith(GetLastError(), in, INVALID_HANDLE_VALUE, NULL);
    if (!MakeParentFolder(to))
        return FailWith(GetLastError(), in, INVALID_HANDLE_VALUE, NULL);
    out = OpenPath(temp, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (out == INVALID_HANDLE_VALUE)
        return FailWith(GetLastError(), in, out, NULL);
    // The written file keeps the saved version's time, as a copy does.
    if (!StreamAll(in, out) || !GetFileTime(in, NULL, NULL, &written) ||
        !SetFileTime(out, NULL, NULL, &written) || !FlushFileBuffers(out))
        return FailWith(GetLastError(), in, out, temp);
    CloseHandle(in);
    if (!CloseHandle(out))
        return FailWith(GetLastError(), INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, temp);
    if (!MovePathReplacing(temp, to))
        return FailWith(GetLastError(), INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, temp);
    return 1;
}
