// What a listed folder's tree leaves out: the files that programs make for
// themselves beside a document and delete again, and the folders that are
// not the user's files (or not in the tree at all). One table, shown in the
// help document too. A file listed by its own path is always copied.
#include "notifier/notifier.h"

#include <string.h>

// How a name is matched: its start, its end, or the whole name.
#define MATCH_START 0
#define MATCH_END 1
#define MATCH_WHOLE 2

struct ClutterRule {
    int match;
    const char *text;
};

static const ClutterRule CLUTTER[] = {
    {MATCH_START, "~$"},          // Office's owner files
    {MATCH_END, ".tmp"},          // temporary files
    {MATCH_END, "~"},             // editors' backups
    {MATCH_START, ".~lock."},     // LibreOffice's locks (".~lock.x.odt#")
    {MATCH_END, ".swp"},          // vi's swap files
    {MATCH_WHOLE, "Thumbs.db"},   // Explorer's thumbnails
    {MATCH_WHOLE, "desktop.ini"}, // Explorer's folder settings
    {MATCH_END, TEMP_SUFFIX},     // this product's own temporary names
    {MATCH_END, WAITING_SUFFIX},
    {MATCH_END, ASIDE_SUFFIX},
};

static const char *const SKIPPED_FOLDERS[] = {"$RECYCLE.BIN", "RECYCLER", "RECYCLED",
                                              "System Volume Information"};

// The reparse kinds that lead elsewhere: a junction (or mount point) and a
// symbolic link. Other kinds (a cloud file, a deduplicated one) are files.
#define LINK_MOUNT_POINT 0xA0000003u
#define LINK_SYMBOLIC 0xA000000Cu

static int EndsWith(const char *name, const char *end)
{
    int n = lstrlenA(name), e = lstrlenA(end);

    return n >= e && lstrcmpiA(name + n - e, end) == 0;
}

static int StartsWith(const char *name, const char *start)
{
    int s = lstrlenA(start);

    return lstrlenA(name) >= s &&
           CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, name, s, start, s) == CSTR_EQUAL;
}

int IsClutterName(const char *name)
{
    size_t i;

    for (i = 0; i < sizeof(CLUTTER) / sizeof(CLUTTER[0]); i++) {
        const ClutterRule *rule = &CLUTTER[i];

        if ((rule->match == MATCH_START && StartsWith(name, rule->text)) ||
            (rule->match == MATCH_END && EndsWith(name, rule->text)) ||
            (rule->match == MATCH_WHOLE && lstrcmpiA(name, rule->text) == 0))
            return 1;
    }
    // LibreOffice's lock ends in '#' as well.
    return StartsWith(name, ".~lock.") && EndsWith(name, "#");
}

static int IsLeadingElsewhere(const WIN32_FIND_DATAA *data)
{
    return (data->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (data->dwReserved0 == LINK_MOUNT_POINT || data->dwReserved0 == LINK_SYMBOLIC);
}

static int IsSkippedName(const char *name, int length)
{
    size_t i;

    for (i = 0; i < sizeof(SKIPPED_FOLDERS) / sizeof(SKIPPED_FOLDERS[0]); i++) {
        if (lstrlenA(SKIPPED_FOLDERS[i]) == length &&
            CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, name, length, SKIPPED_FOLDERS[i],
                           length) == CSTR_EQUAL)
            return 1;
    }
    return 0;
}

// The backup path's own tree: all of it, or, for a drive's root, what the
// product keeps there (the copies, the rings, the kept contents, the log).
int IsInBackup(const WatchList *list, const char *path)
{
    char kept[MAX_PATH], log[MAX_PATH];

    if (!EndsWithSlash(list->backup))
        return IsInsideFolder(path, list->backup);
    return IsInsideCopies(path, list->backup) ||
           (JoinPath(kept, sizeof(kept), list->backup, BEFORE_RESTORE_FOLDER) &&
            IsInsideFolder(path, kept)) ||
           (JoinPath(log, sizeof(log), list->backup, LOG_NAME) && StartsWith(path, log));
}

int IsSkippedFolder(const WatchList *list, const char *path, const WIN32_FIND_DATAA *data)
{
    const char *name = FindFileName(path);

    return IsLeadingElsewhere(data) || IsInBackup(list, path) || IsSkippedName(name, lstrlenA(name));
}

int IsInSkippedFolder(const char *path, const char *root)
{
    const char *name = path + lstrlenA(root), *slash;

    while (*name == '\\')
        name++;
    for (; (slash = FindFirstBackslash(name)) != NULL; name = slash + 1) {
        if (IsSkippedName(name, (int)(slash - name)))
            return 1;
    }
    return 0;
}

int IsTreeFile(const WatchList *list, const char *path, const WIN32_FIND_DATAA *data)
{
    const char *name = FindFileName(path);

    // A name only the wide calls reach is judged by its UTF-8 form.
    if (name[0] == WIDE_NAME_MARK)
        name++;
    if (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    return name[0] != '\0' && !IsClutterName(name) && !IsLeadingElsewhere(data) && !IsInBackup(list, path);
}
