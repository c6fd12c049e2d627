// Benchmark, not a test: for 0, 1,000 and 5,000 stored entries, the time from
// the start of Duplix.exe until its dialog shows with the list loaded, the
// registry reads alone, raw stores of the same values and SaveSettings; then
// each goal with the measured figure beside it.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/program.h"
#include "dialog/list_batch.h"
#include "dialog/list_ops.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"
#include "store/reg_value.h"
#include "store/settings_read.h"
#include "store/settings_store.h"
#include "support/process.h"
#include "support/product_key.h"
#include "support/wait.h"

static const int kSizes[] = {0, 1000, 5000};
static const int kSizeCount = sizeof(kSizes) / sizeof(kSizes[0]);

static double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

static std::string EntryName(int i)
{
    char name[MAX_PATH];
    // Spread over the alphabet so that insertion lands all over the list.
    wsprintfA(name, "C:\\Data\\%c%05d\\report %d.doc", 'A' + (i * 7919) % 26, (i * 104729) % 99991, i);
    return name;
}

static void StoreEntries(int n)
{
    CleanProductKey();
    for (int i = 0; i < n; i++)
        PutString(ListItem(i).c_str(), EntryName(i));
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds from the start until the window shows with n entries listed.
static double TimeOpening(const std::string &exe, int n)
{
    Child child;
    double start = Now();
    if (!child.Start(exe))
        return -1;
    HWND dlg = NULL;
    bool shown = PumpUntil([&] {
        dlg = FindSettingsWindow(child.Pid());
        return dlg != NULL && SendDlgItemMessageA(dlg, IDC_FILE_LIST, LVM_GETITEMCOUNT, 0, 0) >= n;
    }, 600000);
    double elapsed = Now() - start;
    if (dlg != NULL)
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    child.WaitEnd(60000);
    return shown ? elapsed : -1;
}

// The floor of the opening: n ReadRegString calls of the stored entries.
static double TimeReads(int n)
{
    char name[LIST_NAME_SIZE];
    char text[MAX_PATH];
    double start = Now();
    for (int i = 0; i < n; i++) {
        MakeListItemName(name, i);
        ReadRegString(HKEY_CURRENT_USER, name, text);
    }
    return Now() - start;
}

// The floor of the save: n stores of the same values into an empty key, each
// opening, setting and closing the key as WriteRegString does.
static double TimeRawStores(int n)
{
    std::vector<std::string> names, texts;
    for (int i = 0; i < n; i++) {
        names.push_back(ListItem(i));
        texts.push_back(EntryName(i));
    }
    CleanProductKey();
    double start = Now();
    for (int i = 0; i < n; i++) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, PRODUCT_KEY, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, NULL,
                            &key, NULL) != ERROR_SUCCESS)
            continue;
        RegSetValueExA(key, names[i].c_str(), 0, REG_SZ, (const BYTE *)texts[i].c_str(),
                       (DWORD)texts[i].size() + 1);
        RegCloseKey(key);
    }
    return Now() - start;
}

static HWND CreateSettingsDialog()
{
    g_hInst = GetModuleHandleA(NULL);
    HWND dlg = CreateDialogParamA(g_hInst, MAKEINTRESOURCEA(IDD_SETTINGS), NULL, SettingsDlgProc, 0);
    ShowWindow(dlg, SW_HIDE);
    return dlg;
}

// Milliseconds of one SaveSettings of the n stored entries, loaded by the
// real dialog, into an empty key as the raw stores write.
static double TimeSave(int n)
{
    StoreEntries(n);
    HWND dlg = CreateSettingsDialog();
    CleanProductKey();
    double start = Now();
    SaveSettings();
    double elapsed = Now() - start;
    DestroyWindow(dlg);
    return elapsed;
}

// Where the opening's list time goes beyond the reads, in this process, the
// least of several runs: the texts gathered with their sort keys, added to
// the real dialog's list, and the last one selected and the column fitted.
static void PrintListParts(int n, int runs)
{
    std::vector<std::string> texts;
    for (int i = 0; i < n; i++)
        texts.push_back(EntryName(i));
    CleanProductKey();
    double gather = 1e9, add = 1e9, finish = 1e9;
    for (int r = 0; r < runs; r++) {
        HWND dlg = CreateSettingsDialog();
        ItemBatch batch = {};
        double start = Now();
        for (const std::string &t : texts)
            AppendToBatch(&batch, t.c_str());
        double gathered = Now();
        AddBatchToList(&batch);
        double added = Now();
        AddOrSelectItem(texts.back().c_str());
        FitListColumn();
        double done = Now();
        DestroyWindow(dlg);
        gather = std::min(gather, gathered - start);
        add = std::min(add, added - gathered);
        finish = std::min(finish, done - added);
    }
    printf("list of %d beyond its reads (least of %d): gather %.1f ms, sort and insert %.1f ms, select and fit "
           "%.1f ms\n", n, runs, gather, add, finish);
}

// What a user sees of the list: entries in order, selection, focus, width.
static std::string ListState(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_FILE_LIST);
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    std::string state;
    for (int i = 0; i < count; i++) {
        char text[MAX_PATH] = "";
        LVITEMA item = {};
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
        state += text;
        state += (char)('0' + (int)SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_SELECTED | LVIS_FOCUSED));
    }
    char tail[64];
    wsprintfA(tail, "|width %d", (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
    return state + tail;
}

// Whether the opening with n stored entries (shuffled, with case variants)
// shows the list that adding them one by one gives.
static bool SameAsOneByOne(int n)
{
    std::vector<std::string> texts;
    for (int i = 0; i < n; i++) {
        std::string t = EntryName(i % (n * 3 / 4 + 1));
        if (i % 3 == 0)
            CharUpperA(&t[0]);
        texts.push_back(t);
    }
    CleanProductKey();
    HWND reference = CreateSettingsDialog();
    // One by one, as the opening always did: each text added unless an equal
    // one is there, then the last selected and the column fitted.
    for (const std::string &t : texts)
        FindOrAddItem(t.c_str());
    AddOrSelectItem(texts.back().c_str());
    FitListColumn();
    std::string expected = ListState(reference);
    DestroyWindow(reference);

    for (int i = 0; i < n; i++)
        PutString(ListItem(i).c_str(), texts[i]);
    HWND opened = CreateSettingsDialog();
    std::string shown = ListState(opened);
    DestroyWindow(opened);
    CleanProductKey();
    return shown == expected;
}

int main(int argc, char **argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 9;
    if (runs < 3)
        runs = 3;
    InitCommonControls();
    std::string duplix = BinPath("Duplix.exe");
    double open[kSizeCount], reads[kSizeCount], stores[kSizeCount], save[kSizeCount];
    printf("median of %d runs\n%8s %9s %9s %10s %16s\n", runs, "entries", "open ms", "reads ms", "stores ms",
           "SaveSettings ms");
    // One opening first: the first start of a program in a prefix is slow.
    TimeOpening(duplix, 0);
    // Sizes take turns, so that a change in the machine's load falls on all.
    std::vector<double> o[kSizeCount], r[kSizeCount], st[kSizeCount], sv[kSizeCount];
    for (int k = 0; k < runs; k++) {
        for (int s = 0; s < kSizeCount; s++) {
            int n = kSizes[s];
            StoreEntries(n);
            o[s].push_back(TimeOpening(duplix, n));
            r[s].push_back(TimeReads(n));
            st[s].push_back(TimeRawStores(n));
            sv[s].push_back(TimeSave(n));
        }
    }
    for (int s = 0; s < kSizeCount; s++) {
        open[s] = Median(o[s]);
        reads[s] = Median(r[s]);
        stores[s] = Median(st[s]);
        save[s] = Median(sv[s]);
        printf("%8d %9.1f %9.1f %10.1f %16.1f\n", kSizes[s], open[s], reads[s], stores[s], save[s]);
    }
    fflush(stdout);
    double grow1000 = open[1] - open[0], grow5000 = open[2] - open[0];
    PrintListParts(5000, runs);
    printf("goal 1: open(5000) - open(0) = %.2f x reads(5000)   (goal <= 1.5)\n", grow5000 / reads[2]);
    printf("goal 2: open(5000) - open(0) = %.2f x (open(1000) - open(0))   (goal <= 6)\n", grow5000 / grow1000);
    printf("goal 3: 2000 shuffled entries with case variants open as added one by one: %s   (goal: same)\n",
           SameAsOneByOne(2000) ? "same" : "DIFFERENT");
    printf("goal 4: SaveSettings(5000) = %.2f x raw stores(5000)   (goal <= 1.5)\n", save[2] / stores[2]);
    fflush(stdout);
    CleanProductKey();
    return 0;
}
