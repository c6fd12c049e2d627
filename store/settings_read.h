// Reads of the stored settings, shared by the settings dialog and the notifier.
#ifndef DUPLIX_SETTINGS_READ_H
#define DUPLIX_SETTINGS_READ_H

// Reads the backup path into path (MAX_PATH bytes): the stored text, which
// may be empty, or the default when the value is missing or does not fit.
void ReadBackupPath(char *path);

// Reads list entry number index into text (MAX_PATH bytes). Returns 1 with
// the text, or 0 when the value is missing or does not fit; the list ends at
// the first entry that reads 0.
int ReadListItem(int index, char *text);

// Calls found(text, context) for each list entry in order, with the key
// opened once, until an entry is missing or found returns 0; the count.
int ReadListItems(int (*found)(const char *text, void *context), void *context);

#endif
