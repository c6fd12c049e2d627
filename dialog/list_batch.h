// The whole stored list added to the backup list at once when the dialog
// opens, in time that grows with the list rather than with its square.
#ifndef DUPLIX_LIST_BATCH_H
#define DUPLIX_LIST_BATCH_H

#include <windows.h>

// One text waiting to be added: its sort key (letter case ignored), the text
// itself, both in one heap block, and its place in the order texts came in.
typedef struct {
    char *key;
    const char *text;
    int order;
} BatchText;

// Texts waiting to be added. Lives only while the dialog opens; an all-zero
// batch is empty.
typedef struct {
    BatchText *texts;
    int count;
    int capacity;
} ItemBatch;

// Copies text into the batch. Returns 1, or 0 with the batch unchanged when
// memory runs out or the text has no sort key.
int AppendToBatch(ItemBatch *batch, const char *text);

// Adds the batch's texts to the list, which must be empty, as FindOrAddItem
// on each in the order they came in would: each text once, letter case
// ignored, the first come kept, each in the list's own sorted place. Selects
// nothing. Frees the batch and leaves it empty.
void AddBatchToList(ItemBatch *batch);

#endif
