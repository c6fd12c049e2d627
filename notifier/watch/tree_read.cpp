// A listed folder's tree on Windows NT: ReadDirectoryChangesW names each
// file that changed anywhere below it, so a change costs one file's look,
// whatever the tree's size. The read is overlapped and its event waited
// for by a watching thread; what it names goes to the report queue. A read
// that lost names (its buffer overflowed) has the tree looked over.
#include "notifier/notifier.h"
#include "notifier/watch/watch_internal.h"

#include <string.h>

// The most a network folder's read may ask for; a local tree's read holds
// four times that, so that names can gather longer before they are taken.
#define NET_READ_SIZE (64 * 1024)
#define LOCAL_READ_SIZE (256 * 1024)
// A burst of ten thousand names a second fills a quarter of a share's read
// in this time, and no more: the next read is then taken at once. A larger
// read gathers longer in step.
#define NET_GATHER_MS 25

#define TREE_FILTER                                                                                          \
    (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |                  \
     FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_ATTRIBUTES)

typedef BOOL(WINAPI *ReadChangesCall)(HANDLE, LPVOID, DWORD, BOOL, DWORD, LPDWORD, LPOVERLAPPED,
                                      LPOVERLAPPED_COMPLETION_ROUTINE);

struct TreeRead {
    HANDLE folder;
    OVERLAPPED overlapped;
    int pending;  // a read is issued and not yet taken
    DWORD filled; // what the last read brought
    DWORD size;   // of the buffer that follows, DWORD-aligned as the records are
    DWORD buffer[1];
};

// Looked up at run time: Windows 9x exports no working one.
static ReadChangesCall ReadChanges(void)
{
    static ReadChangesCall call;
    static int looked;

    if (!looked) {
        call = IsWindowsNt() ? (ReadChangesCall)FindKernelCall("ReadDirectoryChangesW") : NULL;
        looked = 1;
    }
    return call;
}

static int IssueRead(TreeRead *read)
{
    ResetEvent(read->overlapped.hEvent);
    read->pending = ReadChanges()(read->folder, read->buffer, read->size, TRUE, TREE_FILTER, NULL,
                                  &read->overlapped, NULL) != FALSE;
    return read->pending;
}

void StopTreeRead(WatchFolder *folder)
{
    TreeRead *read = folder->read;

    if (read == NULL)
        return;
    // Closing the folder ends the read; it is waited for before its buffer
    // goes, since the system writes the buffer until then. A folder deleted
    // has no read left to wait for: its thread goes on at once.
    CloseHandle(read->folder);
    if (read->pending)
        WaitForSingleObject(read->overlapped.hEvent, 5000);
    CloseHandle(read->overlapped.hEvent);
    HeapFree(GetProcessHeap(), 0, read);
    folder->read = NULL;
    folder->change = INVALID_HANDLE_VALUE;
}

// A share, or a drive letter that stands for one.
static int IsOnNetwork(const char *path)
{
    char root[4];

    if (path[0] == '\\' && path[1] == '\\')
        return 1;
    lstrcpynA(root, path, sizeof(root));
    return lstrlenA(root) == 3 && root[1] == ':' && root[2] == '\\' && GetDriveTypeA(root) == DRIVE_REMOTE;
}

int StartTreeRead(WatchFolder *folder)
{
    TreeRead *read;
    DWORD size;

    if (ReadChanges() == NULL)
        return 0;
    size = IsOnNetwork(folder->path) ? NET_READ_SIZE : LOCAL_READ_SIZE;
    read = (TreeRead *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(TreeRead) + size);
    if (read == NULL)
        return 0;
    read->size = size;
    read->folder = CreateFileA(folder->path, FILE_LIST_DIRECTORY, ShareAll(), NULL, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, NULL);
    read->overlapped.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (read->folder == INVALID_HANDLE_VALUE || read->overlapped.hEvent == NULL || !IssueRead(read)) {
        if (read->folder != INVALID_HANDLE_VALUE)
            CloseHandle(read->folder);
        if (read->overlapped.hEvent != NULL)
            CloseHandle(read->overlapped.hEvent);
        HeapFree(GetProcessHeap(), 0, read);
        return 0;
    }
    folder->read = read;
    folder->change = read->overlapped.hEvent;
    return 1;
}

// The folder's path, a backslash and the record's name (relative, wide),
// each name long and as the notifier carries it; 0 when it does not fit.
static int MakeReportedPath(const char *root, const WCHAR *name, int length, char *path)
{
    WCHAR part[MAX_PATH];
    char ansi[MAX_PATH];
    int start = 0, i;

    lstrcpynA(path, root, LONG_PATH);
    for (i = 0; i <= length; i++) {
        if (i < length && name[i] != L'\\')
            continue;
        if (i - start <= 0 || i - start >= MAX_PATH)
            return 0;
        memcpy(part, name + start, (i - start) * sizeof(WCHAR));
        part[i - start] = 0;
        if (!ConvertNameExactly(part, ansi, MAX_PATH)) {
            ansi[0] = WIDE_NAME_MARK;
            if (WideCharToMultiByte(CP_UTF8, 0, part, -1, ansi + 1, MAX_PATH - 1, NULL, NULL) == 0)
                return 0;
        }
        if (!JoinPath(path, LONG_PATH, path, ansi))
            return 0;
        start = i + 1;
    }
    // A program that opened the file by its short name has it reported so.
    return ToLongNames(path, LONG_PATH);
}

// Queues every name the records hold: a file to copy, or one removed or
// renamed away, which is recorded as deleted if it is still gone when
// taken (a save that replaces it puts it back at once).
static void QueueRecords(WatchList *list, WatchFolder *folder, DWORD size)
{
    const BYTE *at = (const BYTE *)folder->read->buffer;
    const BYTE *end = at + size;
    char path[LONG_PATH];
    DWORD now = GetTickCount();

    while (at + sizeof(FILE_NOTIFY_INFORMATION) <= end) {
        const FILE_NOTIFY_INFORMATION *record = (const FILE_NOTIFY_INFORMATION *)at;
        int length = (int)(record->FileNameLength / sizeof(WCHAR));

        if ((const BYTE *)record->FileName + record->FileNameLength > end)
            break;
        // A name that cannot be carried is found, and told, by a look.
        if (!MakeReportedPath(folder->path, record->FileName, length, path) ||
            !PushReport(&list->reports, path, now))
            NoteReportTick(&folder->changed);
        if (record->NextEntryOffset == 0)
            break;
        at += record->NextEntryOffset;
    }
}

int IsReadFilling(const WatchFolder *folder)
{
    return folder->read != NULL && folder->read->filled >= folder->read->size / 4;
}

DWORD GetGatherTime(const WatchFolder *folder)
{
    return folder->read != NULL ? NET_GATHER_MS * (folder->read->size / NET_READ_SIZE) : NET_GATHER_MS;
}

int TakeTreeRead(WatchList *list, WatchFolder *folder)
{
    DWORD size = 0;

    if (!GetOverlappedResult(folder->read->folder, &folder->read->overlapped, &size, FALSE)) {
        folder->read->pending = GetLastError() == ERROR_IO_INCOMPLETE;
        return 0;
    }
    folder->read->pending = 0;
    folder->read->filled = size;
    // No names: more changed than the buffer holds; the tree is looked over.
    if (size == 0)
        NoteReportTick(&folder->changed);
    else
        QueueRecords(list, folder, size);
    return IssueRead(folder->read);
}
