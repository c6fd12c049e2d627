// The files and folders that the trees' notifications named, in the order
// they came: the watching threads add, the copying thread takes. A save
// names its file several times; a repeat among the last few is the one
// already waiting, which keeps the moment of the first report.
#include "notifier/notifier.h"
#include "notifier/watch/watch.h"
#include "notifier/watch/watch_internal.h"

// Beyond this many waiting names the trees are looked over instead.
#define MOST_REPORTS 65536
#define REPEAT_WINDOW 64

// A file or folder that a tree's notification named, waiting to be looked at.
struct ReportedPath {
    char *path;  // on the heap
    DWORD at;    // tick count of the report
    DWORD hash;  // of the path, so that a repeat is found without comparing names
};

int InitReports(ReportQueue *queue)
{
    ZeroMemory(queue, sizeof(*queue));
    InitializeCriticalSection(&queue->lock);
    return 1;
}

void FreeReports(ReportQueue *queue)
{
    char path[LONG_PATH];
    DWORD at;

    while (PopReport(queue, path, &at)) {
    }
    if (queue->items != NULL)
        HeapFree(GetProcessHeap(), 0, queue->items);
    DeleteCriticalSection(&queue->lock);
    queue->items = NULL;
}

static ReportedPath *ItemAt(ReportQueue *queue, int i)
{
    return &queue->items[(queue->first + i) % queue->capacity];
}

// Doubles the ring of items, keeping their order.
static int GrowReports(ReportQueue *queue)
{
    int wanted = queue->capacity > 0 ? queue->capacity * 2 : 256, i;
    ReportedPath *grown;

    if (queue->capacity >= MOST_REPORTS)
        return 0;
    grown = (ReportedPath *)HeapAlloc(GetProcessHeap(), 0, wanted * sizeof(ReportedPath));
    if (grown == NULL)
        return 0;
    for (i = 0; i < queue->count; i++)
        grown[i] = *ItemAt(queue, i);
    if (queue->items != NULL)
        HeapFree(GetProcessHeap(), 0, queue->items);
    queue->items = grown;
    queue->capacity = wanted;
    queue->first = 0;
    return 1;
}

static int IsRecentRepeat(ReportQueue *queue, const char *path, DWORD hash)
{
    int i;

    for (i = queue->count - 1; i >= 0 && i >= queue->count - REPEAT_WINDOW; i--) {
        if (ItemAt(queue, i)->hash == hash && lstrcmpiA(ItemAt(queue, i)->path, path) == 0)
            return 1;
    }
    return 0;
}

int PushReport(ReportQueue *queue, const char *path, DWORD at)
{
    char *copy;
    DWORD hash = HashPath(path);
    int taken = 1;

    EnterCriticalSection(&queue->lock);
    if (!IsRecentRepeat(queue, path, hash)) {
        copy = CopyText(path);
        if (copy == NULL || (queue->count == queue->capacity && !GrowReports(queue))) {
            if (copy != NULL)
                HeapFree(GetProcessHeap(), 0, copy);
            NoteReportTick(&queue->overflowed);
            taken = 0;
        } else {
            ItemAt(queue, queue->count)->path = copy;
            ItemAt(queue, queue->count)->at = at;
            ItemAt(queue, queue->count)->hash = hash;
            queue->count++;
        }
    }
    LeaveCriticalSection(&queue->lock);
    return taken;
}

int PopReport(ReportQueue *queue, char *path, DWORD *at)
{
    ReportedPath item;

    EnterCriticalSection(&queue->lock);
    if (queue->count == 0) {
        LeaveCriticalSection(&queue->lock);
        return 0;
    }
    item = *ItemAt(queue, 0);
    queue->first = (queue->first + 1) % queue->capacity;
    queue->count--;
    LeaveCriticalSection(&queue->lock);
    lstrcpynA(path, item.path, LONG_PATH);
    *at = item.at;
    HeapFree(GetProcessHeap(), 0, item.path);
    return 1;
}

int HasReports(ReportQueue *queue)
{
    return queue->count > 0;
}
