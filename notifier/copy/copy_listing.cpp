// The newest copies in one folder of the backup, files and folders, read
// with one listing and found by name: looking a tree over then costs one
// listing per folder instead of one look per file, and the names no source
// answered are the ones deleted.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"

#include <string.h>

struct ListedCopy {
    DWORD hash;
    int name;              // offset in the names
    WIN32_FIND_DATAA info; // its name part unused
    int answered;          // a source of its name was found
};

struct CopyListing {
    ListedCopy *items;
    int count, capacity;
    char *names;
    int namesUsed, namesCapacity;
    int *slots; // open addressing, -1 free
    int slotCount;
};

static int GrowNames(CopyListing *listing, int more)
{
    int wanted = listing->namesCapacity > 0 ? listing->namesCapacity : 4096;
    char *grown;

    while (wanted < listing->namesUsed + more)
        wanted *= 2;
    if (wanted == listing->namesCapacity)
        return 1;
    grown = (char *)(listing->names == NULL ? HeapAlloc(GetProcessHeap(), 0, wanted)
                                            : HeapReAlloc(GetProcessHeap(), 0, listing->names, wanted));
    if (grown == NULL)
        return 0;
    listing->names = grown;
    listing->namesCapacity = wanted;
    return 1;
}

static int AddListedCopy(const char *file, const WIN32_FIND_DATAA *data, void *context)
{
    CopyListing *listing = (CopyListing *)context;
    int length = lstrlenA(data->cFileName) + 1;
    ListedCopy *item;

    (void)file;
    if (data->dwReserved1 != NAME_CARRIED)
        return 1;
    if (!MakeRoom((void **)&listing->items, listing->count, &listing->capacity, sizeof(ListedCopy)) ||
        !GrowNames(listing, length))
        return 0;
    item = &listing->items[listing->count++];
    item->hash = HashPath(data->cFileName);
    item->name = listing->namesUsed;
    item->info = *data;
    item->answered = 0;
    memcpy(listing->names + listing->namesUsed, data->cFileName, length);
    listing->namesUsed += length;
    return 1;
}

static int BuildSlots(CopyListing *listing)
{
    int i, at;

    listing->slotCount = 16;
    while (listing->slotCount < listing->count * 2)
        listing->slotCount *= 2;
    listing->slots = (int *)HeapAlloc(GetProcessHeap(), 0, listing->slotCount * sizeof(int));
    if (listing->slots == NULL)
        return 0;
    for (i = 0; i < listing->slotCount; i++)
        listing->slots[i] = -1;
    for (i = 0; i < listing->count; i++) {
        for (at = (int)(listing->items[i].hash & (listing->slotCount - 1)); listing->slots[at] >= 0;
             at = (at + 1) & (listing->slotCount - 1)) {
        }
        listing->slots[at] = i;
    }
    return 1;
}

CopyListing *ReadCopyListing(const char *folder)
{
    CopyListing *listing = (CopyListing *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(CopyListing));

    if (listing == NULL)
        return NULL;
    // A listing cut short by memory finds fewer copies: those files are
    // looked at one by one, which is slower, never wrong.
    ForEachNameIn(folder, AddListedCopy, listing);
    if (!BuildSlots(listing)) {
        FreeCopyListing(listing);
        return NULL;
    }
    return listing;
}

int FindListedCopy(CopyListing *listing, const char *name, WIN32_FIND_DATAA *info)
{
    DWORD hash = HashPath(name);
    int at, i;

    if (listing == NULL)
        return 0;
    for (at = (int)(hash & (listing->slotCount - 1)); (i = listing->slots[at]) >= 0;
         at = (at + 1) & (listing->slotCount - 1)) {
        if (listing->items[i].hash == hash && lstrcmpiA(listing->names + listing->items[i].name, name) == 0) {
            listing->items[i].answered = 1;
            if (info != NULL)
                *info = listing->items[i].info;
            return !(listing->items[i].info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        }
    }
    return 0;
}

int ForEachMissingCopy(CopyListing *listing, CopyFound found, void *context)
{
    int i, visited = 0;

    for (i = 0; listing != NULL && i < listing->count; i++) {
        if (listing->items[i].answered)
            continue;
        visited++;
        listing->items[i].answered =
            found(listing->names + listing->items[i].name, &listing->items[i].info, context);
    }
    return visited;
}

void FreeCopyListing(CopyListing *listing)
{
    if (listing == NULL)
        return;
    if (listing->items != NULL)
        HeapFree(GetProcessHeap(), 0, listing->items);
    if (listing->names != NULL)
        HeapFree(GetProcessHeap(), 0, listing->names);
    if (listing->slots != NULL)
        HeapFree(GetProcessHeap(), 0, listing->slots);
    HeapFree(GetProcessHeap(), 0, listing);
}
