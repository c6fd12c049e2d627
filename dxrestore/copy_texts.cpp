// The window's texts: time stamps for names, sizes in bytes, the
// places that keep a version and the file's state now.
#include "dxrestore/copies.h"

#include "layout/deletion_log.h"

#include <string.h>

static const char *const RING_PLACE_NAMES[RING_COUNT] = {"Minute", "Hour", "Day"};

void FormatStamp(const SYSTEMTIME *st, char *out)
{
    wsprintfA(out, "%04d-%02d-%02d %02d-%02d-%02d", st->wYear, st->wMonth, st->wDay, st->wHour, st->wMinute,
              st->wSecond);
}

void FormatByteSize(ULONGLONG bytes, char *out, int size)
{
    char digits[32], grouped[64], separator[8] = ",";
    int count = 0, i, n = 0;

    do {
        digits[count++] = (char)('0' + bytes % 10);
        bytes /= 10;
    } while (bytes > 0);
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof(separator)) == 0)
        lstrcpyA(separator, ",");
    for (i = count - 1; i >= 0; i--) {
        grouped[n++] = digits[i];
        if (i > 0 && i % 3 == 0) {
            for (const char *s = separator; *s != '\0'; s++)
                grouped[n++] = *s;
        }
    }
    grouped[n] = '\0';
    lstrcpynA(out, grouped, size);
    AppendText(out, size, " bytes");
}

static void NamePlace(int place, char *name)
{
    int ring, slot;

    if (!GetCopyPlace(place, &ring, &slot) || ring == RING_NEWEST)
        lstrcpyA(name, "Newest copy");
    else if (ring == RING_WAITING)
        lstrcpyA(name, "Newest copy (waiting)");
    else
        wsprintfA(name, "%s %02d", RING_PLACE_NAMES[ring], slot);
}

void FormatKeptIn(const CopyVersion *version, char *out, int size)
{
    char name[32];
    int place, used = 0, len;

    out[0] = '\0';
    for (place = 0; place < COPY_PLACE_COUNT; place++) {
        if (!version->kept[place])
            continue;
        NamePlace(place, name);
        len = lstrlenA(name) + (used > 0 ? 2 : 0);
        if (used + len + 1 > size)
            return;
        wsprintfA(out + used, used > 0 ? ", %s" : "%s", name);
        used += len;
    }
}

void FormatFileState(const char *backup, const char *path, char *out, int size)
{
    WIN32_FIND_DATAA info;
    FILETIME deleted;
    char when[TIME_TEXT_SIZE], bytes[64];

    if (!GetPathInfo(path, &info)) {
        lstrcpynA(out, "Now: missing", size);
        if (FindLastDeletion(backup, path, &deleted)) {
            FormatFileTime(&deleted, when, sizeof(when));
            lstrcpynA(out, "Now: deleted at ", size);
            AppendText(out, size, when);
        }
        return;
    }
    FormatFileTime(&info.ftLastWriteTime, when, sizeof(when));
    FormatByteSize(((ULONGLONG)info.nFileSizeHigh << 32) | info.nFileSizeLow, bytes, sizeof(bytes));
    lstrcpynA(out, "Now: changed at ", size);
    AppendText(out, size, when);
    AppendText(out, size, ", ");
    AppendText(out, size, bytes);
}
