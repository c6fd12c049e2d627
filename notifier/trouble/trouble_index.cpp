// The troubles found by their path's hash, not by a walk over all of them:
// while the backup disk is away every reported change is looked up among
// the files that wait, and those may be tens of thousands.
#include "notifier/notifier.h"
#include "notifier/trouble/trouble.h"

#define FIRST_BUCKETS 256

static int *BucketOf(const WatchList *list, DWORD hash)
{
    return &list->troubleBuckets[hash & (DWORD)(list->troubleBucketCount - 1)];
}

static void LinkTrouble(WatchList *list, int index)
{
    int *head = BucketOf(list, list->troubles[index].hash);

    list->troubles[index].next = *head;
    *head = index;
}

static void UnlinkTrouble(WatchList *list, int index)
{
    int *at = BucketOf(list, list->troubles[index].hash);

    while (*at >= 0 && *at != index)
        at = &list->troubles[*at].next;
    if (*at == index)
        *at = list->troubles[index].next;
}

// At least as many buckets as count troubles; when they grow, the first
// linked troubles are linked anew. The old ones stay (longer chains) when
// no more memory is to be had.
static int FitBuckets(WatchList *list, int linked, int count)
{
    int wanted = list->troubleBucketCount > 0 ? list->troubleBucketCount : FIRST_BUCKETS, i;
    int *buckets;

    while (wanted < count)
        wanted *= 2;
    if (wanted == list->troubleBucketCount)
        return 1;
    buckets = (int *)HeapAlloc(GetProcessHeap(), 0, wanted * sizeof(int));
    if (buckets == NULL)
        return list->troubleBuckets != NULL;
    if (list->troubleBuckets != NULL)
        HeapFree(GetProcessHeap(), 0, list->troubleBuckets);
    list->troubleBuckets = buckets;
    list->troubleBucketCount = wanted;
    for (i = 0; i < wanted; i++)
        buckets[i] = -1;
    for (i = 0; i < linked; i++)
        LinkTrouble(list, i);
    return 1;
}

int FindTrouble(const WatchList *list, const char *path)
{
    DWORD hash = HashPath(path);
    int i;

    if (list->troubleBucketCount == 0)
        return -1;
    for (i = *BucketOf(list, hash); i >= 0; i = list->troubles[i].next) {
        if (list->troubles[i].hash == hash && lstrcmpiA(list->troubles[i].path, path) == 0)
            return i;
    }
    return -1;
}

int IndexNewTrouble(WatchList *list)
{
    if (!FitBuckets(list, list->troubleCount - 1, list->troubleCount))
        return 0;
    LinkTrouble(list, list->troubleCount - 1);
    return 1;
}

void RemoveTrouble(WatchList *list, int index)
{
    int last = list->troubleCount - 1;

    UnlinkTrouble(list, index);
    if (index != last) {
        UnlinkTrouble(list, last);
        list->troubles[index] = list->troubles[last];
        LinkTrouble(list, index);
    }
    list->troubleCount--;
}

void FreeTroubleIndex(WatchList *list)
{
    if (list->troubleBuckets != NULL)
        HeapFree(GetProcessHeap(), 0, list->troubleBuckets);
    list->troubleBuckets = NULL;
    list->troubleBucketCount = 0;
}
