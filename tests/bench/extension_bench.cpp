// Benchmark, not a test: the extension's Add command for 1,000 selected files
// while 5,000 entries are stored, with no settings window open. How long
// Explorer's calls take (Initialize with the selection, InvokeCommand), and
// how long the worker takes to start Duplix.exe and deliver every request:
// the whole batch, which has no limit of its own, only one per request.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/program.h"
#include "res/resource.h"
#include "support/drop_data.h"
#include "support/modal.h"
#include "support/process.h"
#include "support/product_key.h"
#include "support/wait.h"

static const int FILES = 1000;
static const int STORED = 5000;
static const double CALL_GOAL_MS = 100.0;
static const double REQUEST_BOUND_MS = 5000.0;  // the worker's bound for one request
// Only for a batch that never ends: about 80 ms a file is expected.
static const DWORD BATCH_BOUND_MS = 15 * 60 * 1000;

static double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

static HRESULT CanUnloadNow()
{
    auto canUnload =
        (HRESULT(WINAPI *)(void))(void *)GetProcAddress(GetModuleHandleA(EXTENSION_FILE), "DllCanUnloadNow");
    return canUnload != NULL ? canUnload() : E_FAIL;
}

static std::wstring MakeFiles()
{
    char temp[MAX_PATH] = "";
    std::wstring all;
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "dxmenu bench\\";
    CreateDirectoryA(folder.c_str(), NULL);
    for (int i = 0; i < FILES; i++) {
        char name[MAX_PATH];
        WCHAR wide[MAX_PATH];
        wsprintfA(name, "%sselected %04d.txt", folder.c_str(), i);
        CloseHandle(CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
        MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MAX_PATH);
        all += wide;
        all += L'\0';
    }
    return all;
}

static void StoreEntries()
{
    CleanProductKey();
    for (int i = 0; i < STORED; i++) {
        char text[64];
        wsprintfA(text, "C:\\Stored\\entry %05d.doc", i);
        PutString(ListItem(i).c_str(), text);
    }
}

// Duplix.exe registers the extension at its start.
static bool Register()
{
    Child duplix;
    if (!duplix.Start(BinPath(PROGRAM_FILE)))
        return false;
    HWND dlg = WaitForSettingsWindow(duplix.Pid());
    if (dlg == NULL)
        return false;
    PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
    return duplix.WaitEnd(WAIT_BOUND_MS);
}

struct Run {
    double init, call, batch;
    int delivered;
};

static bool CloseSettings()
{
    HWND dlg = FindSettingsWindow();
    if (dlg == NULL)
        return true;
    PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
    return PumpUntil([] { return FindSettingsWindow() == NULL && CountProcessesNamed(PROGRAM_FILE) == 0; });
}

static bool MeasureOnce(const std::wstring &paths, Run *run)
{
    CLSID clsid;
    IShellExtInit *init = NULL;
    IContextMenu *menu = NULL;
    IDataObject *data = ClipboardDataObject(paths);
    CMINVOKECOMMANDINFO info = {};

    CLSIDFromString(L"" EXTENSION_CLSID, &clsid);
    if (data == NULL ||
        FAILED(CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, IID_IShellExtInit, (void **)&init)))
        return false;
    double t0 = Now();
    HRESULT hr = init->Initialize(NULL, data, NULL);
    run->init = Now() - t0;
    data->Release();
    init->QueryInterface(IID_IContextMenu, (void **)&menu);
    init->Release();
    if (FAILED(hr) || menu == NULL)
        return false;
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(0);
    t0 = Now();
    hr = menu->InvokeCommand(&info);
    run->call = Now() - t0;
    menu->Release();
    // The worker holds the DLL until its last request is delivered, or until
    // its box about the ones it gave up on is closed.
    HWND box = NULL;
    bool ended = PumpUntil(
        [&] { return CanUnloadNow() == S_OK || (box = FindWindowA("#32770", PRODUCT_TITLE)) != NULL; },
        BATCH_BOUND_MS);
    run->batch = Now() - t0;
    if (box != NULL) {
        printf("the worker gave up: %s\n", MessageBoxText(box).c_str());
        PressButton(box, IDOK);
        ended = PumpUntil([] { return CanUnloadNow() == S_OK; });
    }
    HWND dlg = FindSettingsWindow();
    int count = dlg != NULL ? (int)SendDlgItemMessageA(dlg, IDC_FILE_LIST, LVM_GETITEMCOUNT, 0, 0) : 0;
    run->delivered = count - STORED;
    return SUCCEEDED(hr) && ended;
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main(int argc, char **argv)
{
    int runs = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 3;
    std::vector<double> inits, calls, batches;
    int delivered = FILES;

    if (FAILED(OleInitialize(NULL)) || !Register()) {
        printf("the extension could not be registered\n");
        return 1;
    }
    std::wstring paths = MakeFiles();
    StoreEntries();
    for (int i = 0; i < runs; i++) {
        Run run;
        if (!CloseSettings() || !MeasureOnce(paths, &run)) {
            printf("run %d failed\n", i + 1);
            CloseSettings();
            CleanProductKey();
            return 1;
        }
        printf("run %d: Initialize %.1f ms, InvokeCommand %.1f ms, batch %.0f ms, %d delivered\n", i + 1, run.init,
               run.call, run.batch, run.delivered);
        inits.push_back(run.init);
        calls.push_back(run.call);
        batches.push_back(run.batch);
        delivered = std::min(delivered, run.delivered);
    }
    CloseSettings();
    CleanProductKey();
    printf("\n%d selected files, %d stored entries, no settings window open; medians of %d runs\n", FILES, STORED,
           runs);
    printf("%-44s %9.1f ms   goal <= %.0f ms\n", "Explorer's InvokeCommand", Median(calls), CALL_GOAL_MS);
    printf("%-44s %9.1f ms   (Explorer's thread, reading the names)\n", "Explorer's Initialize", Median(inits));
    printf("%-44s %9.0f ms   (no limit: each request within %.0f ms)\n",
           "whole batch (start, load, 1,000 requests)", Median(batches), REQUEST_BOUND_MS);
    printf("%-44s %9.1f ms   goal < %.0f ms for every one\n", "per file, start and load included",
           Median(batches) / FILES, REQUEST_BOUND_MS);
    printf("%-44s %9d      goal %d (a slower request ends the batch)\n",
           "requests delivered (fewest of the runs)", delivered, FILES);
    OleUninitialize();
    return 0;
}
