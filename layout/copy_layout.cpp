// The layout of the copies under the backup path: the backup path itself,
// the ring folders and their slots, and a source's copy in each.
#include "layout/copy_layout.h"

#include "app/program.h"
#include "store/settings_read.h"
#include "store/settings_store.h"

static const char *const RING_FOLDERS[RING_COUNT] = {NEWEST_COPIES_FOLDER, HOUR_COPIES_FOLDER,
                                                     DAY_COPIES_FOLDER};
static const int FIRST_SLOT[RING_COUNT] = {0, 0, 1};
static const int LAST_SLOT[RING_COUNT] = {59, 23, 31};

void ReadBackupFolder(char *backup)
{
    char stored[MAX_PATH];
    char *namePart = NULL;
    DWORD len;

    ReadBackupPath(stored);
    if (stored[0] == '\0')
        lstrcpynA(stored, DEFAULT_BACKUP_PATH, MAX_PATH);
    len = GetFullPathNameA(stored, MAX_PATH, backup, &namePart);
    if (len == 0 || len >= MAX_PATH)
        lstrcpynA(backup, DEFAULT_BACKUP_PATH, MAX_PATH);
    len = lstrlenA(backup);
    while (len > 3 && EndsWithSlash(backup))
        backup[--len] = '\0';
    // What the trees report is long: so is the path they are told apart by.
    ToLongNames(backup, MAX_PATH);
}

void GetSlotRange(int ring, int *first, int *last)
{
    *first = FIRST_SLOT[ring];
    *last = LAST_SLOT[ring];
}

int GetCopyPlace(int place, int *ring, int *slot)
{
    int r, count;

    if (place < 0 || place >= COPY_PLACE_COUNT)
        return 0;
    *ring = place == 0 ? RING_NEWEST : RING_WAITING;
    *slot = 0;
    if (place <= 1)
        return 1;
    place -= 2;
    for (r = 0; r < RING_COUNT; r++) {
        count = LAST_SLOT[r] - FIRST_SLOT[r] + 1;
        if (place < count) {
            *ring = r;
            *slot = FIRST_SLOT[r] + place;
            return 1;
        }
        place -= count;
    }
    return 0;
}

int GetRingSlotFolder(const char *backup, int ring, int slot, char *out, int size)
{
    char name[64];

    if (ring < 0 || ring >= RING_COUNT || slot < FIRST_SLOT[ring] || slot > LAST_SLOT[ring])
        return 0;
    wsprintfA(name, "%s\\%02d", RING_FOLDERS[ring], slot);
    return JoinPath(out, size, backup, name);
}

int GetCopyPath(const char *backup, int ring, int slot, const char *source, char *out, int size)
{
    char folder[LONG_PATH];

    if (ring == RING_NEWEST)
        return MapToBackup(backup, source, out, size);
    if (ring == RING_WAITING)
        return MapToBackup(backup, source, out, size) && AddSuffix(out, size, out, WAITING_SUFFIX);
    return GetRingSlotFolder(backup, ring, slot, folder, sizeof(folder)) &&
           MapToBackup(folder, source, out, size);
}
