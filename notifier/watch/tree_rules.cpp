// What a listed folder's tree leaves out when it is looked over, by the
// found names' attributes as well as the list's rule (layout's
// listed_files.cpp). A file listed by its own path is always copied.
#include "notifier/notifier.h"
#include "notifier/watch/watch_internal.h"

int IsSkippedFolder(const WatchList *list, const char *path, const WIN32_FIND_DATAA *data)
{
    return IsLinkElsewhere(data) || IsInBackupTree(path, list->backup) ||
           IsSkippedFolderName(FindFileName(path));
}

int IsTreeFile(const WatchList *list, const char *path, const WIN32_FIND_DATAA *data)
{
    const char *name = FindFileName(path);

    if ((data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name[0] == '\0' ||
        (name[0] == WIDE_NAME_MARK && name[1] == '\0'))
        return 0;
    return !IsClutterName(name) && !IsLinkElsewhere(data) && !IsInBackupTree(path, list->backup);
}
