// Reads of the backup path and the numbered list entries from the product key.
#include "store/settings_read.h"

#include "store/reg_value.h"
#include "store/settings_store.h"

#include <windows.h>

void MakeListItemName(char *name, int index)
{
    // wsprintfA takes no size, but "ListItem" and the longest int need only
    // 20 bytes with the zero, well inside LIST_NAME_SIZE.
    wsprintfA(name, LIST_ITEM_FORMAT, index);
}

void ReadBackupPath(char *path)
{
    path[0] = '\0';
    if (!ReadRegString(HKEY_CURRENT_USER, BACKUP_PATH_VALUE, path))
        lstrcpynA(path, DEFAULT_BACKUP_PATH, MAX_PATH);
}

int ReadListItem(int index, char *text)
{
    char name[LIST_NAME_SIZE];

    MakeListItemName(name, index);
    text[0] = '\0';
    return ReadRegString(HKEY_CURRENT_USER, name, text);
}

struct ListWalk {
    int index;
    int (*found)(const char *text, void *context);
    void *context;
};

static int NextListName(char *name, void *context)
{
    ListWalk *walk = (ListWalk *)context;

    MakeListItemName(name, walk->index++);
    return walk->index > 0;
}

static int PassListItem(const char *text, void *context)
{
    ListWalk *walk = (ListWalk *)context;

    return walk->found(text, walk->context);
}

int ReadListItems(int (*found)(const char *text, void *context), void *context)
{
    ListWalk walk = {0, found, context};

    return ReadRegStrings(HKEY_CURRENT_USER, NextListName, PassListItem, &walk);
}
