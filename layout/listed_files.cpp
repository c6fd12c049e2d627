// Which files a list entry backs up: a listed file itself, and every file in
// a listed folder's tree except what programs make for themselves beside a
// document, the folders that are not the user's files, and the product's own
// files under the backup path. The notifier copies by this rule and the copies
// window says "listed" by it, so the two cannot disagree.
#include "layout/copy_layout.h"

#include "app/program.h"

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

// Whether a character begins at offset. In a multi-byte code page a trail
// byte may be '~' or '.' (Shift-JIS "ミ" ends in 0x7E), so the name is
// walked by character; a marked name is UTF-8, where every byte below 0x80
// is a whole character.
static int IsCharStart(const char *name, int offset, int utf8)
{
    const char *at = name;

    if (utf8)
        return (BYTE)name[offset] < 0x80;
    while (at - name < offset && *at != '\0')
        at = NextPathChar(at);
    return at - name == offset;
}

static int EndsWith(const char *name, const char *end, int utf8)
{
    int n = lstrlenA(name), e = lstrlenA(end);

    return n >= e && IsCharStart(name, n - e, utf8) && lstrcmpiA(name + n - e, end) == 0;
}

static int StartsWith(const char *name, const char *start)
{
    int s = lstrlenA(start);

    return lstrlenA(name) >= s &&
           CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, name, s, start, s) == CSTR_EQUAL;
}

// Spreadsheet programs save through a name of eight hexadecimal digits and
// no extension, renamed away within the save.
static int IsSaveTempName(const char *name)
{
    int i;

    for (i = 0; i < 8; i++) {
        if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'A' && name[i] <= 'F') ||
              (name[i] >= 'a' && name[i] <= 'f')))
            return 0;
    }
    return name[8] == '\0';
}

int IsClutterName(const char *name)
{
    int utf8 = name[0] == WIDE_NAME_MARK;
    size_t i;

    name += utf8;
    for (i = 0; i < sizeof(CLUTTER) / sizeof(CLUTTER[0]); i++) {
        const ClutterRule *rule = &CLUTTER[i];

        if ((rule->match == MATCH_START && StartsWith(name, rule->text)) ||
            (rule->match == MATCH_END && EndsWith(name, rule->text, utf8)) ||
            (rule->match == MATCH_WHOLE && lstrcmpiA(name, rule->text) == 0))
            return 1;
    }
    // LibreOffice's lock ends in '#' as well.
    return IsSaveTempName(name) || (StartsWith(name, ".~lock.") && EndsWith(name, "#", utf8));
}

int IsLinkElsewhere(const WIN32_FIND_DATAA *data)
{
    return (data->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (data->dwReserved0 == LINK_MOUNT_POINT || data->dwReserved0 == LINK_SYMBOLIC);
}

int IsOnlineOnly(const WIN32_FIND_DATAA *data)
{
    return (data->dwFileAttributes &
            (ATTRIBUTE_RECALL_ON_DATA | ATTRIBUTE_RECALL_ON_OPEN | FILE_ATTRIBUTE_OFFLINE)) != 0;
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

int IsSkippedFolderName(const char *name)
{
    return IsSkippedName(name, lstrlenA(name));
}

// All of the backup path's tree; for a drive's root, what the product keeps
// there (the copies, the rings, the kept contents, the log).
int IsInBackupTree(const char *path, const char *backup)
{
    char kept[MAX_PATH], log[MAX_PATH];

    if (!EndsWithSlash(backup))
        return IsInsideFolder(path, backup);
    return IsInsideCopies(path, backup) ||
           (JoinPath(kept, sizeof(kept), backup, BEFORE_RESTORE_FOLDER) && IsInsideFolder(path, kept)) ||
           (JoinPath(log, sizeof(log), backup, LOG_NAME) && StartsWith(path, log));
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

int IsListedBy(const char *path, const char *entry, const char *backup)
{
    if (lstrcmpiA(path, entry) == 0)
        return 1;
    return IsBelowFolder(path, entry) && !IsClutterName(FindFileName(path)) &&
           !IsInSkippedFolder(path, entry) && !IsInBackupTree(path, backup);
}
