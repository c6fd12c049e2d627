// Whether a tree's files whose newest copies are current still owe slot
// copies (a notifier stopped between a newest copy and its slots): one
// listing of each slot folder's copies of the folder looked at, read when a
// file first needs it, rather than a look at three slots per file.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"
#include "notifier/copy/copy_internal.h"

struct SlotListing {
    char *folder;  // on the heap: the slot's copy of the source folder
    CopyListing *copies;
};

struct SlotListings {
    SlotListing *items;
    int count, capacity;
};

// The listing of one slot folder's copies, read once.
static CopyListing *FindSlotListing(SlotListings **listings, const char *folder)
{
    SlotListings *all = *listings;
    SlotListing *item;
    int i;

    if (all == NULL) {
        all = (SlotListings *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(SlotListings));
        if (all == NULL)
            return NULL;
        *listings = all;
    }
    for (i = 0; i < all->count; i++) {
        if (lstrcmpiA(all->items[i].folder, folder) == 0)
            return all->items[i].copies;
    }
    if (!MakeRoom((void **)&all->items, all->count, &all->capacity, sizeof(SlotListing)))
        return NULL;
    item = &all->items[all->count];
    item->folder = CopyText(folder);
    if (item->folder == NULL)
        return NULL;
    item->copies = ReadCopyListing(folder);
    all->count++;
    return item->copies;
}

int OwesSlotCopy(SlotListings **listings, const char *backup, const char *folder, const char *name,
                 const WIN32_FIND_DATAA *copy, const FILETIME *now)
{
    char slot[LONG_PATH], copies[LONG_PATH];
    WIN32_FIND_DATAA found;
    FILETIME written, when;
    int ring, held;

    // As the copy of a listed file judges it: from its newest copy's time.
    written = CompareFileTime(&copy->ftLastWriteTime, now) > 0 ? *now : copy->ftLastWriteTime;
    for (ring = 0; ring < RING_COUNT; ring++) {
        if (IsRoundOver(ring, &written, now))
            continue;
        held = 0;
        when = written;
        do {
            held = GetSlotFolder(backup, ring, &when, slot, sizeof(slot)) &&
                   MapToBackup(slot, folder, copies, sizeof(copies)) &&
                   FindListedCopy(FindSlotListing(listings, copies), name, &found) && IsSameVersion(copy, &found);
        } while (!held && StepRound(ring, &when, now));
        if (!held)
            return 1;
    }
    return 0;
}

void FreeSlotListings(SlotListings *listings)
{
    int i;

    if (listings == NULL)
        return;
    for (i = 0; i < listings->count; i++) {
        HeapFree(GetProcessHeap(), 0, listings->items[i].folder);
        FreeCopyListing(listings->items[i].copies);
    }
    if (listings->items != NULL)
        HeapFree(GetProcessHeap(), 0, listings->items);
    HeapFree(GetProcessHeap(), 0, listings);
}
