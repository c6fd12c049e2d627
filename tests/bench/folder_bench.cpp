// Benchmark, not a test: the folder window over a tree of 20,000 files in
// 2,000 folders with their newest copies and three minute slots. The first
// moment (the index and the rows at "Now"), another moment from memory,
// the window opened whole, and the process's private memory, beside their
// goals and a floor measured in the same run: one plain listing of every
// tree the index reads. Then Restore of 1,000 changed files in place,
// beside the floor of one durable copy of each.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>

#include <string>

#include "dxrestore/folder.h"
#include "dxrestore/resource.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/product_key.h"
#include "support/wait.h"

static const int TOPS = 20, SUBS = 100, FILES = 10;  // 2,000 folders, 20,000 files
static const int SLOTS = 3, SLOT_FILES = 1000;
static const double FIRST_GOAL_MS = 1000.0, OTHER_GOAL_MS = 300.0, MEMORY_GOAL_MB = 64.0;
static const int RESTORED = 1000;
static const double RESTORE_GOAL_RATIO = 1.5;

static double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

static void Put(const std::string &path, const FILETIME &time)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD put;
    WriteFile(h, path.c_str(), (DWORD)path.size(), &put, NULL);
    SetFileTime(h, NULL, NULL, &time);
    CloseHandle(h);
}

// The tree under root: every folder, and every stride-th file.
static void LayTree(const std::string &root, int stride, const FILETIME &time)
{
    char name[64];
    int n = 0;
    MakeFolderTree(root.c_str());
    for (int t = 0; t < TOPS; t++) {
        wsprintfA(name, "\\d%02d", t);
        CreateDirectoryA((root + name).c_str(), NULL);
        for (int s = 0; s < SUBS; s++) {
            wsprintfA(name, "\\d%02d\\s%03d", t, s);
            std::string folder = root + name;
            CreateDirectoryA(folder.c_str(), NULL);
            for (int f = 0; f < FILES; f++, n++) {
                wsprintfA(name, "\\f%d.txt", f);
                if (n % stride == 0)
                    Put(folder + name, time);
            }
        }
    }
}

static int CountTree(const std::string &folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    int count = 0;
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (data.cFileName[0] == '.')
            continue;
        count += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? CountTree(folder + "\\" + data.cFileName) : 1;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return count;
}

static double PrivateMb()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&counters, sizeof(counters));
    // Wine reports the private bytes as the page-file use only.
    return (counters.PrivateUsage > counters.PagefileUsage ? counters.PrivateUsage : counters.PagefileUsage) /
           1048576.0;
}

// 1,000 files of 16 KiB changed since a minute slot of ten minutes ago took
// their old content: the floor copies each old version once, durably, then
// the folder window's Restore puts them all back at that moment.
static void BenchRestore(const std::string &scratch)
{
    std::string source = scratch + "\\restore", backup = scratch + "\\backup", floor = scratch + "\\floor";
    std::string mapped = source.substr(0, 1) + source.substr(2), oldText(16384, 'o'), newText(16384, 'n');
    FILETIME now, local, before, asked;
    GetSystemTimeAsFileTime(&now);
    FileTimeToLocalFileTime(&now, &local);
    ULONGLONG minute = ((ULONGLONG)local.dwHighDateTime << 32 | local.dwLowDateTime) / 600000000ULL * 600000000ULL;
    ULONGLONG start10 = minute - 10 * 600000000ULL;
    FILETIME localStart = {(DWORD)start10, (DWORD)(start10 >> 32)};
    LocalFileTimeToFileTime(&localStart, &before);
    ULONGLONG at = ((ULONGLONG)before.dwHighDateTime << 32 | before.dwLowDateTime) + 900000000ULL;  // within the next minute: its end is the moment
    asked = {(DWORD)at, (DWORD)(at >> 32)};
    char name[16], round[40];
    wsprintfA(name, "\\%02d", (int)(start10 / 600000000ULL % 60));
    std::string slot = backup + "\\" NEWEST_COPIES_FOLDER + name;
    MakeFolderTree(slot.c_str());
    wsprintfA(round, "%08lX%08lX %08lX%08lX", (DWORD)(start10 >> 32), (DWORD)start10, before.dwHighDateTime,
              before.dwLowDateTime);
    WriteText(slot + "\\" ROUND_FILE, round);
    PutString("ListItem0", source);
    for (int i = 0; i < RESTORED; i++) {
        char file[32];
        wsprintfA(file, "\\d%d\\f%03d.doc", i / 100, i % 100);
        WriteText(source + file, newText);
        WriteText(backup + "\\" + mapped + file, newText);
        WriteText(slot + "\\" + mapped + file, oldText);
        HANDLE h = CreateFileA((slot + "\\" + mapped + file).c_str(), FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
        SetFileTime(h, NULL, NULL, &before);
        CloseHandle(h);
    }
    // The floor is taken before and after the restore, into folders of its
    // own: the machine's load drifts, and the restore is judged by the mean.
    auto timeFloor = [&](const std::string &into) {
        double start = Now();
        for (int i = 0; i < RESTORED; i++) {
            char file[32];
            wsprintfA(file, "\\d%d\\f%03d.doc", i / 100, i % 100);
            CopyThroughTemp((slot + "\\" + mapped + file).c_str(), (into + file).c_str(), PLACE_RENAME, NULL);
        }
        return Now() - start;
    };
    double floorBefore = timeFloor(floor + "1");

    FolderWindow *w = new FolderWindow();
    int *chosen = new int[RESTORED];
    int count = 0;
    if (LoadFolder(source.c_str(), &asked, w)) {
        w->rowCount = BuildFolderRows(&w->index, w->moment, 0, w->rows);
        for (int i = 0; i < w->rowCount && count < RESTORED; i++)
            chosen[count++] = i;
    }
    ModalAnswer yes([](HWND box) { return MessageBoxText(box).find("Put ") == 0; },
                    [](HWND box) { PressButton(box, IDYES); });
    ModalAnswer told([](HWND box) { return MessageBoxText(box).find("put back") != std::string::npos; },
                     [](HWND box) { PressButton(box, IDOK); });
    double t = Now();
    RestoreRows(NULL, w, chosen, count);
    double restoreMs = Now() - t;
    yes.Finish();
    told.Finish();
    int back = 0;
    for (int i = 0; i < RESTORED; i++) {
        char file[32];
        wsprintfA(file, "\\d%d\\f%03d.doc", i / 100, i % 100);
        back += ReadText(source + file) == oldText;
    }
    delete[] chosen;
    FreeFolder(w);
    delete w;
    double floorAfter = timeFloor(floor + "2"), floorMs = (floorBefore + floorAfter) / 2;
    printf("floor: one durable copy of each of %d files, before and after  %.0f and %.0f ms, mean %.0f ms\n",
           RESTORED, floorBefore, floorAfter, floorMs);
    printf("Restore of %d changed files in place (%d put back)  %8.0f ms = %.2f x floor  (goal %.1f x)\n", count,
           back, restoreMs, restoreMs / floorMs, RESTORE_GOAL_RATIO);
}

int main()
{
    InitCommonControls();
    CleanProductKey();
    std::string scratch = MakeScratchFolder("duplix folder bench"), source = scratch + "\\work";
    std::string backup = scratch + "\\backup", mapped = source.substr(0, 1) + source.substr(2);
    FILETIME now, local;
    GetSystemTimeAsFileTime(&now);
    FileTimeToLocalFileTime(&now, &local);
    ULONGLONG minute = ((ULONGLONG)local.dwHighDateTime << 32 | local.dwLowDateTime) / 600000000ULL * 600000000ULL;
    PutString("BackupPath", backup);

    printf("laying out %d files in %d folders, their copies and %d slots...\n", TOPS * SUBS * FILES, TOPS * SUBS,
           SLOTS);
    LayTree(source, 1, now);
    LayTree(backup + "\\" + mapped, 1, now);
    std::string slots[SLOTS];
    for (int i = 0; i < SLOTS; i++) {
        ULONGLONG start = minute - (ULONGLONG)(10 + 10 * i) * 600000000ULL;
        FILETIME localStart = {(DWORD)start, (DWORD)(start >> 32)}, saved;
        char name[16], round[40];
        LocalFileTimeToFileTime(&localStart, &saved);
        wsprintfA(name, "\\%02d", (int)(start / 600000000ULL % 60));
        slots[i] = backup + "\\" NEWEST_COPIES_FOLDER + name;
        MakeFolderTree(slots[i].c_str());
        wsprintfA(round, "%08lX%08lX %08lX%08lX", (DWORD)(start >> 32), (DWORD)start, saved.dwHighDateTime,
                  saved.dwLowDateTime);
        WriteText(slots[i] + "\\" ROUND_FILE, round);
        LayTree(slots[i] + "\\" + mapped, TOPS * SUBS * FILES / SLOT_FILES, saved);
    }

    double start = Now();
    int listed = CountTree(source) + CountTree(backup + "\\" + mapped);
    for (int i = 0; i < SLOTS; i++)
        listed += CountTree(slots[i] + "\\" + mapped);
    double floorMs = Now() - start;

    FolderIndex *index = new FolderIndex;
    FolderRow *rows = NULL;
    start = Now();
    int indexed = IndexFolder(backup.c_str(), source.c_str(), &now, index);
    if (indexed)
        rows = new FolderRow[index->fileCount + 1];
    int atNow = rows != NULL ? BuildFolderRows(index, 0, 0, rows) : 0;
    double firstMs = Now() - start;
    start = Now();
    int atOther = rows != NULL ? BuildFolderRows(index, index->momentCount - 1, 0, rows) : 0;
    double otherMs = Now() - start;
    double memory = PrivateMb();
    int moments = index->momentCount;
    delete[] rows;
    FreeFolderIndex(index);
    delete index;

    FolderWindow *w = new FolderWindow();
    FILETIME none = {0, 0};
    start = Now();
    HWND dlg = NULL;
    if (LoadFolder(source.c_str(), &none, w))
        dlg = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_FOLDER), NULL, FolderDlgProc, (LPARAM)w);
    PumpPending();
    double windowMs = Now() - start;
    if (dlg != NULL)
        DestroyWindow(dlg);
    FreeFolder(w);
    delete w;

    printf("floor: one listing of the %d files of every tree      %8.0f ms\n", listed, floorMs);
    printf("first moment: index and %d rows at Now (%d moments)  %8.0f ms  (goal %.0f ms)\n", atNow, moments,
           firstMs, FIRST_GOAL_MS);
    printf("another moment: %d rows from memory                   %8.1f ms  (goal %.0f ms)\n", atOther, otherMs,
           OTHER_GOAL_MS);
    printf("the window opened at Now                               %8.0f ms\n", windowMs);
    printf("private memory with the index                          %8.1f MB  (goal %.0f MB)\n", memory,
           MEMORY_GOAL_MB);
    printf("(first moment = %.2f x floor; goal at most 2 x)\n", firstMs / floorMs);
    BenchRestore(scratch);
    RemoveFolderTree(scratch);
    CleanProductKey();
    // Figures, not a verdict: a benchmark fails on nothing.
    return 0;
}
