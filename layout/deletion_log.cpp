// The deletion record: append-only records, each "DXDR", its path's length,
// a checksum, the moment and the path. A reader takes every record whose
// checksum holds and looks for the next mark past one that does not, so a
// torn record hides nothing written before or after it.
#include "layout/deletion_log.h"

#include "app/program.h"
#include "layout/copy_layout.h"

#include <string.h>

#define RECORD_MARK "DXDR"
#define HEAD_SIZE 20  // mark, length, checksum, moment
#define READ_CHUNK 65536

static DWORD SumRecord(const BYTE *moment, const char *path, DWORD length)
{
    DWORD sum = 2166136261u;
    DWORD i;

    for (i = 0; i < 8; i++)
        sum = (sum ^ moment[i]) * 16777619u;
    for (i = 0; i < length; i++)
        sum = (sum ^ (BYTE)path[i]) * 16777619u;
    return sum;
}

// The record of source at at, into out (HEAD_SIZE + MAX_PATH bytes); its size.
static DWORD MakeRecord(const char *source, const FILETIME *at, BYTE *out)
{
    DWORD length = (DWORD)lstrlenA(source), sum;

    memcpy(out, RECORD_MARK, 4);
    memcpy(out + 4, &length, 4);
    memcpy(out + 12, at, 8);
    memcpy(out + HEAD_SIZE, source, length);
    sum = SumRecord(out + 12, source, length);
    memcpy(out + 8, &sum, 4);
    return HEAD_SIZE + length;
}

static int GetDeletionPath(const char *backup, char *out)
{
    return JoinPath(out, LONG_PATH, backup, DELETION_FILE);
}

// The size of a whole record at data (have bytes); 0 for none there.
static DWORD ParseRecord(const BYTE *data, DWORD have, char *source, FILETIME *at)
{
    DWORD length, sum;

    if (have < HEAD_SIZE || memcmp(data, RECORD_MARK, 4) != 0)
        return 0;
    memcpy(&length, data + 4, 4);
    memcpy(&sum, data + 8, 4);
    if (length == 0 || length >= MAX_PATH || have < HEAD_SIZE + length ||
        SumRecord(data + 12, (const char *)data + HEAD_SIZE, length) != sum)
        return 0;
    memcpy(at, data + 12, 8);
    memcpy(source, data + HEAD_SIZE, length);
    source[length] = '\0';
    return HEAD_SIZE + length;
}

// Calls each(source, at, context) for every whole record, oldest first,
// until it returns 0; 0 when there is no record file.
static int ReadRecords(const char *backup, DeletionFound each, void *context)
{
    char path[LONG_PATH], source[MAX_PATH];
    BYTE *buffer;
    DWORD have = 0, got = 0, at, used;
    FILETIME moment;
    HANDLE file;
    int going = 1, more = 1;

    if (!GetDeletionPath(backup, path))
        return 0;
    file = OpenPath(path, GENERIC_READ, ShareAll(), OPEN_EXISTING, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    buffer = (BYTE *)HeapAlloc(GetProcessHeap(), 0, READ_CHUNK + HEAD_SIZE + MAX_PATH);
    while (buffer != NULL && going && (more || have > 0)) {
        if (more) {
            more = ReadFile(file, buffer + have, READ_CHUNK, &got, NULL) && got > 0;
            have += more ? got : 0;
        }
        // Keep what may be the start of a record cut by the chunk's end.
        for (at = 0; going && at < have && (!more || have - at >= HEAD_SIZE + MAX_PATH); at += used) {
            used = ParseRecord(buffer + at, have - at, source, &moment);
            if (used > 0)
                going = each(source, &moment, context);
            else
                used = 1;
        }
        memmove(buffer, buffer + at, have - at);
        have -= at;
        if (!more)
            have = 0;
    }
    if (buffer != NULL)
        HeapFree(GetProcessHeap(), 0, buffer);
    CloseHandle(file);
    return 1;
}

static ULONGLONG TicksOf(const FILETIME *time)
{
    return (ULONGLONG)time->dwHighDateTime << 32 | time->dwLowDateTime;
}

// Whether the first record is older than kept; what decides a trim.
static int TakeFirstAge(const char *source, const FILETIME *at, void *context)
{
    (void)source;
    *(ULONGLONG *)context = TicksOf(at);
    return 0;
}

int AppendDeletion(const char *backup, const char *source, const FILETIME *at)
{
    char path[LONG_PATH];
    BYTE record[HEAD_SIZE + MAX_PATH];
    DWORD size, put = 0, end;
    LONG high = 0;
    ULONGLONG first = 0;
    HANDLE file;
    int written;

    if (lstrlenA(source) >= MAX_PATH || !GetDeletionPath(backup, path))
        return 0;
    size = MakeRecord(source, at, record);
    file = OpenPath(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    // Where the record goes is the log's size before it.
    end = SetFilePointer(file, 0, &high, FILE_END);
    if (end == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        CloseHandle(file);
        return 0;
    }
    written = WriteFile(file, record, size, &put, NULL) && put == size && FlushFileBuffers(file);
    CloseHandle(file);
    if (written && (high > 0 || end > DELETION_TRIM_SIZE - size) && ReadRecords(backup, TakeFirstAge, &first) &&
        first + DELETION_KEEP_SECONDS * 10000000ULL < TicksOf(at))
        TrimDeletions(backup, at);
    return written;
}

struct TrimWork {
    HANDLE file;
    ULONGLONG oldest;
    int failed;
};

static int KeepRecent(const char *source, const FILETIME *at, void *context)
{
    TrimWork *work = (TrimWork *)context;
    BYTE record[HEAD_SIZE + MAX_PATH];
    DWORD size, put = 0;

    if (TicksOf(at) < work->oldest)
        return 1;
    size = MakeRecord(source, at, record);
    if (!WriteFile(work->file, record, size, &put, NULL) || put != size)
        work->failed = 1;
    return !work->failed;
}

int TrimDeletions(const char *backup, const FILETIME *now)
{
    char path[LONG_PATH], temp[LONG_PATH];
    TrimWork work;

    if (!GetDeletionPath(backup, path) || !AddSuffix(temp, sizeof(temp), path, TEMP_SUFFIX))
        return 0;
    work.file = OpenPath(temp, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (work.file == INVALID_HANDLE_VALUE)
        return 0;
    work.oldest = TicksOf(now) - DELETION_KEEP_SECONDS * 10000000ULL;
    work.failed = 0;
    ReadRecords(backup, KeepRecent, &work);
    work.failed |= !FlushFileBuffers(work.file);
    CloseHandle(work.file);
    if (work.failed || !MovePathReplacing(temp, path)) {
        DeletePath(temp);
        return 0;
    }
    return 1;
}

struct DeletionFilter {
    const char *path;
    DeletionFound found;
    void *context;
};

static int PassRelated(const char *source, const FILETIME *at, void *context)
{
    DeletionFilter *filter = (DeletionFilter *)context;

    if (!IsInsideFolder(source, filter->path) && !IsInsideFolder(filter->path, source))
        return 1;
    return filter->found(source, at, filter->context);
}

int ForEachDeletion(const char *backup, const char *path, DeletionFound found, void *context)
{
    DeletionFilter filter = {path, found, context};

    return ReadRecords(backup, PassRelated, &filter);
}

struct LastDeletion {
    const char *path;
    FILETIME *at;
    int seen;
};

static int TakeLater(const char *source, const FILETIME *at, void *context)
{
    LastDeletion *last = (LastDeletion *)context;

    if (IsInsideFolder(last->path, source) && (!last->seen || CompareFileTime(at, last->at) > 0)) {
        *last->at = *at;
        last->seen = 1;
    }
    return 1;
}

int FindLastDeletion(const char *backup, const char *path, FILETIME *at)
{
    LastDeletion last = {path, at, 0};

    ForEachDeletion(backup, path, TakeLater, &last);
    return last.seen;
}
