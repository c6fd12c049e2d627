// The whole stored list added to the backup list at once when the dialog
// opens. Added one by one, each text costs a search of the list for an equal
// entry and a search for its sorted place: the square of the list in all.
#include "dialog/list_batch.h"

#include "dialog/list_ops.h"

#include <commctrl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

// Room for the sort key of a text of 259 characters; a key that does not fit
// fails, and the rest of the list is then added one by one.
#define SORT_KEY_SIZE (16 * MAX_PATH)

static int GrowBatch(ItemBatch *batch)
{
    HANDLE heap = GetProcessHeap();
    int capacity = batch->capacity > 0 ? batch->capacity * 2 : 256;
    void *grown;

    // Kept far below INT_MAX / 2, so that the doubling never overflows.
    if ((SIZE_T)capacity > (SIZE_T)INT_MAX / sizeof(BatchText))
        return 0;
    if (batch->texts == NULL)
        grown = HeapAlloc(heap, 0, capacity * sizeof(BatchText));
    else
        grown = HeapReAlloc(heap, 0, batch->texts, capacity * sizeof(BatchText));
    if (grown == NULL)
        return 0;
    batch->texts = (BatchText *)grown;
    batch->capacity = capacity;
    return 1;
}

int AppendToBatch(ItemBatch *batch, const char *text)
{
    char key[SORT_KEY_SIZE];
    int keySize, textSize;
    char *block;

    // Two sort keys compare byte by byte as the texts compare with
    // lstrcmpiA, which is how the list finds an equal entry; one key per
    // text is much cheaper than a comparison of texts per step of a sort.
    keySize = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text, -1, key, sizeof(key));
    if (keySize == 0)
        return 0;
    if (batch->count == batch->capacity && !GrowBatch(batch))
        return 0;
    textSize = lstrlenA(text) + 1;
    block = (char *)HeapAlloc(GetProcessHeap(), 0, keySize + textSize);
    if (block == NULL)
        return 0;
    // A sort key holds no zero byte before its last, so strcmp compares it.
    CopyMemory(block, key, keySize);
    block[keySize - 1] = '\0';
    lstrcpynA(block + keySize, text, textSize);
    batch->texts[batch->count].key = block;
    batch->texts[batch->count].text = block + keySize;
    batch->texts[batch->count].order = batch->count;
    batch->count++;
    return 1;
}

// Equal texts (case ignored) together, in the order they came.
static int CompareBatchTexts(const void *a, const void *b)
{
    const BatchText *x = (const BatchText *)a;
    const BatchText *y = (const BatchText *)b;
    int result = strcmp(x->key, y->key);

    return result != 0 ? result : x->order - y->order;
}

// Sorted, equal texts lie together with the first come first: keeps that one
// of each run and frees the others. Returns how many are kept.
static int KeepFirstOfEach(ItemBatch *batch)
{
    int kept = 0;
    int i;

    for (i = 0; i < batch->count; i++) {
        if (kept > 0 && strcmp(batch->texts[kept - 1].key, batch->texts[i].key) == 0)
            HeapFree(GetProcessHeap(), 0, batch->texts[i].key);
        else
            batch->texts[kept++] = batch->texts[i];
    }
    return kept;
}

void AddBatchToList(ItemBatch *batch)
{
    HWND hList = GetFileList();
    int kept, i;

    if (batch->count > 0) {
        qsort(batch->texts, batch->count, sizeof(BatchText), CompareBatchTexts);
        kept = KeepFirstOfEach(batch);
        // A list that redraws moves its scroll bars and repaints on every
        // insertion; it is hidden now and repainted whole when it shows.
        SendMessageA(hList, WM_SETREDRAW, FALSE, 0);
        // Room for all at once, where the control makes use of the hint.
        SendMessageA(hList, LVM_SETITEMCOUNT, kept, 0);
        // The list puts each text in its sorted place itself. Given in
        // descending order, each one's place is before all that are in: found
        // at once by a list that looks from the top, and no slower for one
        // that searches by halves.
        for (i = kept - 1; i >= 0; i--) {
            InsertListItem(hList, batch->texts[i].text);
            HeapFree(GetProcessHeap(), 0, batch->texts[i].key);
        }
        SendMessageA(hList, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hList, NULL, TRUE);
    }
    if (batch->texts != NULL)
        HeapFree(GetProcessHeap(), 0, batch->texts);
    ZeroMemory(batch, sizeof(*batch));
}
