// The moments the copies can show and the files as they were at each: a
// ring's slot holds the version current at the end of its round, so the
// state at the end of a round is the latest slot at or before it, else a
// later slot or the newest copy whose version was already saved by then.
#include "dxrestore/folder.h"

#define TICKS_PER_SECOND 10000000ULL

static const ULONGLONG UNIT_SECONDS[RING_COUNT] = {60, 3600, 24 * 3600};
static const ULONGLONG SPAN_SECONDS[RING_COUNT] = {3600, 24 * 3600, 31 * 24 * 3600};

static ULONGLONG TicksOf(const FILETIME *time)
{
    return (ULONGLONG)time->dwHighDateTime << 32 | time->dwLowDateTime;
}

static ULONGLONG LocalTicksOf(const FILETIME *utc)
{
    FILETIME local;

    return FileTimeToLocalFileTime(utc, &local) ? TicksOf(&local) : TicksOf(utc);
}

static FILETIME ToUtc(ULONGLONG localTicks)
{
    FILETIME local, utc;

    local.dwLowDateTime = (DWORD)localTicks;
    local.dwHighDateTime = (DWORD)(localTicks >> 32);
    if (!LocalFileTimeToFileTime(&local, &utc))
        utc = local;
    return utc;
}

// Keeps the moments newest first, each end once, with the finest ring.
static void AddMoment(FolderIndex *index, ULONGLONG end, int ring)
{
    int at = 1, i;

    while (at < index->momentCount && index->moments[at].local > end)
        at++;
    if (at < index->momentCount && index->moments[at].local == end) {
        if (ring < index->moments[at].ring)
            index->moments[at].ring = ring;
        return;
    }
    if (index->momentCount >= MAX_MOMENTS)
        return;
    for (i = index->momentCount; i > at; i--)
        index->moments[i] = index->moments[i - 1];
    index->moments[at].local = end;
    index->moments[at].at = ToUtc(end);
    index->moments[at].ring = ring;
    index->momentCount++;
}

// The ends of the minute, hour and day of a change, where a ring spans them.
static void AddMomentsOf(FolderIndex *index, const FILETIME *change)
{
    ULONGLONG local = LocalTicksOf(change), now = index->moments[0].local, unit, end;
    int ring;

    for (ring = 0; ring < RING_COUNT; ring++) {
        unit = UNIT_SECONDS[ring] * TICKS_PER_SECOND;
        end = local - local % unit + unit;
        if (end <= now && now - end < SPAN_SECONDS[ring] * TICKS_PER_SECOND)
            AddMoment(index, end, ring);
    }
}

void FindMoments(FolderIndex *index)
{
    int i;

    index->momentCount = 1;
    index->moments[0].local = LocalTicksOf(&index->now);
    index->moments[0].at = index->now;
    index->moments[0].ring = RING_NEWEST;
    for (i = 0; i < index->copyCount; i++)
        AddMomentsOf(index, &index->copies[i].saved);
    for (i = 0; i < index->goneCount; i++)
        AddMomentsOf(index, &index->gone[i].at);
    for (i = 0; i < index->fileCount; i++) {
        if (index->files[i].present)
            AddMomentsOf(index, &index->files[i].nowSaved);
    }
}

int FindMomentAt(const FolderIndex *index, const FILETIME *at)
{
    int i;

    if (TicksOf(at) == 0)
        return 0;
    for (i = 1; i < index->momentCount; i++) {
        if (CompareFileTime(&index->moments[i].at, at) <= 0)
            return i;
    }
    return 0;
}

static int IsSavedLater(const FolderIndex *index, int a, int b)
{
    return b < 0 || CompareFileTime(&index->copies[a].saved, &index->copies[b].saved) > 0;
}

// The entry of the file's version at the end of the moment's round; -1
// when the copies know of none then. The ring's latest slot at or before
// the moment holds the version of its round; a version saved since then and
// by the moment (kept in a later slot, or still the newest) came after it.
// A write time from before its save, as unpacked files have, never makes a
// version older by rounds win.
static int FindVersionAt(const FolderIndex *index, const FolderFile *file, const FolderMoment *moment)
{
    ULONGLONG unit = UNIT_SECONDS[moment->ring] * TICKS_PER_SECOND, end, beforeEnd = 0, afterEnd = 0;
    int e, ring, slot, before = -1, after = -1, newest = -1, later;

    for (e = file->first; e >= 0; e = index->copies[e].next) {
        const FolderCopy *copy = &index->copies[e];
        int savedBy = CompareFileTime(&copy->saved, &moment->at) <= 0;

        if (copy->place < 0)
            continue;
        if (copy->place < 2) {
            if (savedBy && IsSavedLater(index, e, newest))
                newest = e;
            continue;
        }
        if (!GetCopyPlace(copy->place, &ring, &slot) || ring != moment->ring || !index->hasRound[copy->place])
            continue;
        end = index->rounds[copy->place].start + unit;
        if (end <= moment->local && (before < 0 || end > beforeEnd)) {
            before = e;
            beforeEnd = end;
        } else if (end > moment->local && savedBy && (after < 0 || end < afterEnd)) {
            after = e;
            afterEnd = end;
        }
    }
    later = after >= 0 ? after : newest;
    return later >= 0 && IsSavedLater(index, later, before) ? later : before;
}

// Whether a deletion of the file or a folder above it lies between the
// version's save and the moment.
static int IsDeletedBetween(const FolderIndex *index, const FolderFile *file, const FILETIME *from, const FILETIME *to)
{
    const char *name = index->names + file->name;
    int e;

    for (e = file->first; e >= 0; e = index->copies[e].next) {
        const FILETIME *at = &index->copies[e].saved;

        if (index->copies[e].place == PLACE_DELETION && CompareFileTime(at, from) >= 0 && CompareFileTime(at, to) <= 0)
            return 1;
    }
    for (e = 0; e < index->goneCount; e++) {
        const char *gone = index->names + index->gone[e].name;

        if ((gone[0] == '\0' || IsInsideFolder(name, gone)) && CompareFileTime(&index->gone[e].at, from) >= 0 &&
            CompareFileTime(&index->gone[e].at, to) <= 0)
            return 1;
    }
    return 0;
}

// The latest version of a file gone today, unless it went longer ago than
// the longest ring keeps.
static int FindLastVersion(const FolderIndex *index, const FolderFile *file)
{
    FILETIME oldest;
    ULONGLONG keep = TicksOf(&index->now) - SPAN_SECONDS[RING_DAY] * TICKS_PER_SECOND;
    int e, last = -1;

    for (e = file->first; e >= 0; e = index->copies[e].next) {
        if (index->copies[e].place >= 0 &&
            (last < 0 || CompareFileTime(&index->copies[e].saved, &index->copies[last].saved) > 0))
            last = e;
    }
    oldest.dwLowDateTime = (DWORD)keep;
    oldest.dwHighDateTime = (DWORD)(keep >> 32);
    if (last >= 0 && !IsDeletedBetween(index, file, &oldest, &index->now) &&
        IsDeletedBetween(index, file, &index->copies[last].saved, &index->now))
        return -1;
    return last;
}

static int TakeRow(const FolderIndex *index, int file, const FolderMoment *moment, FolderRow *row)
{
    const FolderFile *f = &index->files[file];
    int e;

    row->file = file;
    if (moment->ring == RING_NEWEST && f->present) {
        row->saved = f->nowSaved;
        row->size = f->nowSize;
        row->state = ROW_SAME;
        return 1;
    }
    e = moment->ring == RING_NEWEST ? FindLastVersion(index, f) : FindVersionAt(index, f, moment);
    if (e < 0 && moment->ring != RING_NEWEST && f->first < 0 && f->present &&
        CompareFileTime(&f->nowSaved, &moment->at) <= 0) {
        row->saved = f->nowSaved;  // never copied yet, but there already
        row->size = f->nowSize;
    } else if (e >= 0) {
        row->saved = index->copies[e].saved;
        row->size = index->copies[e].size;
    } else {
        return 0;
    }
    if (moment->ring != RING_NEWEST && IsDeletedBetween(index, f, &row->saved, &moment->at))
        return 0;
    if (!f->present)
        row->state = ROW_DELETED;
    else
        row->state = row->size == f->nowSize && CompareFileTime(&row->saved, &f->nowSaved) == 0 ? ROW_SAME : ROW_CHANGED;
    return 1;
}

int BuildFolderRows(const FolderIndex *index, int moment, int onlyChanged, FolderRow *rows)
{
    int file, count = 0;

    if (moment < 0 || moment >= index->momentCount)
        moment = 0;
    for (file = 0; file < index->fileCount; file++) {
        if (TakeRow(index, file, &index->moments[moment], &rows[count]) &&
            (!onlyChanged || rows[count].state != ROW_SAME))
            count++;
    }
    return count;
}

void GetRowVersion(const FolderIndex *index, const FolderRow *row, CopyVersion *version)
{
    int e;

    ZeroMemory(version, sizeof(*version));
    version->saved = row->saved;
    version->size = row->size;
    for (e = index->files[row->file].first; e >= 0; e = index->copies[e].next) {
        const FolderCopy *copy = &index->copies[e];

        if (copy->place >= 0 && copy->size == row->size && CompareFileTime(&copy->saved, &row->saved) == 0)
            version->kept[copy->place] = 1;
    }
}

void FormatMoment(const FolderIndex *index, int moment, char *out, int size)
{
    if (moment <= 0 || moment >= index->momentCount)
        lstrcpynA(out, "Now", size);
    else
        FormatFileTime(&index->moments[moment].at, out, size);
}
