// Benchmark, not a test: the time from the start of Duplix.exe until its
// dialog shows with the stored list loaded, for several list sizes, against a
// bare program showing the same template; and the time of SaveSettings.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/program.h"
#include "dialog/settings_dlg.h"
#include "res/resource.h"
#include "dialog/list_ops.h"
#include "store/reg_value.h"
#include "store/settings_store.h"
#include "support/process.h"
#include "support/product_key.h"
#include "support/wait.h"

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
    for (int i = 0; i < n; i++) {
        char value[32];
        wsprintfA(value, "ListItem%d", i);
        PutString(value, EntryName(i));
    }
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

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds of one SaveSettings with n entries in the real dialog.
static double TimeSave(int n)
{
    CleanProductKey();
    g_hInst = GetModuleHandleA(NULL);
    HWND dlg = CreateDialogParamA(g_hInst, MAKEINTRESOURCEA(IDD_SETTINGS), NULL, SettingsDlgProc, 0);
    HWND list = GetDlgItem(dlg, IDC_FILE_LIST);
    for (int i = 0; i < n; i++) {
        std::string text = EntryName(i);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.pszText = (LPSTR)text.c_str();
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
    double start = Now();
    SaveSettings();
    double elapsed = Now() - start;
    DestroyWindow(dlg);
    return elapsed;
}

// Where the opening's time goes, in this process: the registry reads alone,
// then the same texts added to the real dialog's list.
static void TimeLoadParts(int n, double *reads, double *adds, double *inserts)
{
    char name[LIST_NAME_SIZE];
    char text[MAX_PATH];
    double start = Now();
    for (int i = 0; i < n; i++) {
        MakeListItemName(name, i);
        ReadRegString(HKEY_CURRENT_USER, name, text);
    }
    *reads = Now() - start;

    CleanProductKey();
    g_hInst = GetModuleHandleA(NULL);
    HWND dlg = CreateDialogParamA(g_hInst, MAKEINTRESOURCEA(IDD_SETTINGS), NULL, SettingsDlgProc, 0);
    // Hidden, as the dialog is while it opens.
    ShowWindow(dlg, SW_HIDE);
    std::vector<std::string> texts;
    for (int i = 0; i < n; i++)
        texts.push_back(EntryName(i));
    start = Now();
    for (int i = 0; i < n; i++)
        FindOrAddItem(texts[i].c_str());
    *adds = Now() - start;

    // The same inserts without the search for an equal entry.
    HWND list = GetDlgItem(dlg, IDC_FILE_LIST);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    start = Now();
    for (int i = 0; i < n; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.pszText = (LPSTR)texts[i].c_str();
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
    *inserts = Now() - start;
    DestroyWindow(dlg);
}

int main(int argc, char **argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    InitCommonControls();
    std::string duplix = BinPath("Duplix.exe");
    std::string bare = BinPath("..\\tests\\bare_dialog.exe");
    printf("%8s %13s %15s %16s %9s %9s %11s\n", "entries", "bare open ms", "Duplix open ms", "SaveSettings ms",
           "reads ms", "adds ms", "inserts ms");
    for (int n : {0, 100, 1000, 5000}) {
        StoreEntries(n);
        std::vector<double> bareTimes, openTimes;
        for (int r = 0; r < runs; r++) {
            bareTimes.push_back(TimeOpening(bare, 0));
            openTimes.push_back(TimeOpening(duplix, n));
        }
        double reads = 0, adds = 0, inserts = 0;
        TimeLoadParts(n, &reads, &adds, &inserts);
        double save = TimeSave(n);
        printf("%8d %13.1f %15.1f %16.1f %9.1f %9.1f %11.1f\n", n, Median(bareTimes), Median(openTimes), save,
               reads, adds, inserts);
        fflush(stdout);
    }
    CleanProductKey();
    return 0;
}
