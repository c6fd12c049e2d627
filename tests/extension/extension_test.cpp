// The extension created through COM as the shell creates it, given the data
// object of real files, beside the real settings program.
#include "app/program.h"
#include "res/resource.h"
#include "support/drop_data.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/process.h"
#include "support/product_key.h"
#include "support/remote_list.h"
#include "support/wait.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// The shell folder's own data object for files of one folder.
IDataObject *ShellDataObject(const std::vector<std::string> &paths)
{
    std::vector<PIDLIST_ABSOLUTE> items(paths.size());
    std::vector<PCUITEMID_CHILD> children;
    IShellFolder *folder = NULL;
    IDataObject *data = NULL;
    for (size_t i = 0; i < paths.size(); i++) {
        EXPECT_EQ(SHParseDisplayName(Widen(paths[i]).c_str(), NULL, &items[i], 0, NULL), S_OK);
        children.push_back(ILFindLastID(items[i]));
    }
    if (SUCCEEDED(SHBindToParent(items[0], IID_IShellFolder, (void **)&folder, NULL))) {
        folder->GetUIObjectOf(NULL, (UINT)children.size(), children.data(), IID_IDataObject, NULL,
                              (void **)&data);
        folder->Release();
    }
    for (PIDLIST_ABSOLUTE item : items)
        CoTaskMemFree(item);
    return data;
}

std::vector<std::string> ListOf(HWND settings)
{
    return RemoteListEntries(GetDlgItem(settings, IDC_FILE_LIST));
}

bool IsEditing(HWND settings)
{
    return SendMessageA(GetDlgItem(settings, IDC_FILE_LIST), LVM_GETEDITCONTROL, 0, 0) != 0;
}

// The requests run on the extension's worker thread: waits until the open
// settings window shows the list (and an open edit, when asked); NULL when
// it does not within the bound.
HWND WaitForList(const std::vector<std::string> &entries, bool editing = false)
{
    HWND dlg = NULL;
    bool shown = PumpUntil([&] {
        dlg = FindSettingsWindow();
        return dlg != NULL && ListOf(dlg) == entries && (!editing || IsEditing(dlg));
    });
    return shown ? dlg : NULL;
}

// The extension's own DllCanUnloadNow, as COM asks it.
HRESULT CanUnloadNow()
{
    auto canUnload =
        (HRESULT(WINAPI *)(void))(void *)GetProcAddress(GetModuleHandleA(EXTENSION_FILE), "DllCanUnloadNow");
    return canUnload != NULL ? canUnload() : E_FAIL;
}

// The extension's message box about files it could not send, once shown.
// FindWindow reads no window's text through a message, so a hung window of
// this process cannot hold it.
HWND WaitForUnsentBox()
{
    HWND box = NULL;
    PumpUntil([&] { return (box = FindWindowA("#32770", PRODUCT_TITLE)) != NULL; });
    return box;
}

class Extension : public ::testing::Test {
protected:
    // Makes the files, and starts Duplix.exe once: it registers the extension.
    static void SetUpTestSuite()
    {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof(temp), temp);
        folder_ = std::string(temp) + "dxmenu test\\";
        CreateDirectoryA(folder_.c_str(), NULL);
        files_ = {folder_ + "report two.doc", folder_ + "Report one.txt"}; // the second sorts first
        batch_.clear();
        for (char n = '1'; n <= '5'; n++)
            batch_.push_back(folder_ + "batch " + n + ".txt");
        for (const std::vector<std::string> *list : {&files_, &batch_}) {
            for (const std::string &file : *list)
                CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
        }
        Child duplix;
        ASSERT_TRUE(duplix.Start(BinPath(PROGRAM_FILE)));
        HWND dlg = WaitForSettingsWindow(duplix.Pid());
        PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
        ASSERT_TRUE(duplix.WaitEnd(WAIT_BOUND_MS));
    }
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(NULL)));
        ASSERT_EQ(CountSettingsWindows(), 0) << "a settings window is left over from elsewhere";
        CleanProductKey();
        ASSERT_EQ(CLSIDFromString(L"" EXTENSION_CLSID, &clsid_), S_OK);
    }
    void TearDown() override
    {
        for (HWND dlg; (dlg = FindSettingsWindow()) != NULL;) {
            PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
            PumpUntil([dlg] { return !IsWindow(dlg); });
        }
        OleUninitialize();
    }

    // A new extension object given the data object, which it releases; made
    // through COM, or by the factory of a DLL that the test loaded itself.
    IContextMenu *MenuFrom(IDataObject *data, HRESULT init = S_OK, IClassFactory *factory = NULL)
    {
        IShellExtInit *extInit = NULL;
        IContextMenu *menu = NULL;
        EXPECT_EQ(factory != NULL ? factory->CreateInstance(NULL, IID_IShellExtInit, (void **)&extInit)
                                  : CoCreateInstance(clsid_, NULL, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                                     (void **)&extInit),
                  S_OK);
        if (data == NULL || extInit == NULL)
            return NULL;
        EXPECT_EQ(extInit->Initialize(NULL, data, NULL), init);
        extInit->QueryInterface(IID_IContextMenu, (void **)&menu);
        extInit->Release();
        data->Release();
        return menu;
    }

    // A new extension object as the shell makes one for the empty space of
    // a folder window: the folder's item list and no data object.
    IContextMenu *MenuForFolderWindow(const std::string &folder)
    {
        PIDLIST_ABSOLUTE item = NULL;
        IShellExtInit *extInit = NULL;
        IContextMenu *menu = NULL;
        EXPECT_EQ(SHParseDisplayName(Widen(folder).c_str(), NULL, &item, 0, NULL), S_OK);
        EXPECT_EQ(CoCreateInstance(clsid_, NULL, CLSCTX_INPROC_SERVER, IID_IShellExtInit, (void **)&extInit), S_OK);
        if (item != NULL && extInit != NULL) {
            EXPECT_EQ(extInit->Initialize(item, NULL, NULL), S_OK);
            extInit->QueryInterface(IID_IContextMenu, (void **)&menu);
        }
        if (extInit != NULL)
            extInit->Release();
        CoTaskMemFree(item);
        return menu;
    }

    // By offset, or by the verb that the menu itself gives, ANSI or wide.
    enum Way { BY_OFFSET, BY_VERB, BY_WIDE_VERB };
    static HRESULT Invoke(IContextMenu *menu, UINT offset, Way way, HWND explorer = NULL)
    {
        CMINVOKECOMMANDINFOEX info = {};
        char verb[64] = "";
        WCHAR verbW[64] = L"";
        info.cbSize = sizeof(info);
        info.hwnd = explorer;
        info.lpVerb = way == BY_OFFSET ? MAKEINTRESOURCEA(offset) : way == BY_VERB ? verb : "not this one";
        EXPECT_EQ(menu->GetCommandString(offset, GCS_VERBA, NULL, verb, sizeof(verb)), S_OK);
        EXPECT_EQ(menu->GetCommandString(offset, GCS_VERBW, NULL, (LPSTR)verbW, 64), S_OK);
        info.fMask = way == BY_WIDE_VERB ? CMIC_MASK_UNICODE : 0;
        info.lpVerbW = verbW;
        return menu->InvokeCommand((CMINVOKECOMMANDINFO *)&info);
    }

    static std::string folder_;
    static std::vector<std::string> files_;
    static std::vector<std::string> batch_;  // five files
    CLSID clsid_ = {};
};

std::string Extension::folder_;
std::vector<std::string> Extension::files_;
std::vector<std::string> Extension::batch_;

// Each add leaves an edit open, and the next file sorts before the edited one.
TEST_F(Extension, CommandsStartTheDialogWhenNoneIsOpenAndReachItForEveryFile)
{
    IContextMenu *menu = MenuFrom(ShellDataObject(files_));
    ASSERT_NE(menu, (IContextMenu *)NULL);
    for (Way way : {BY_OFFSET, BY_VERB, BY_WIDE_VERB}) {
        SCOPED_TRACE(way);
        EXPECT_EQ(Invoke(menu, 0, way), S_OK);
        ASSERT_NE(WaitForList({files_[1], files_[0]}, true), (HWND)NULL) << "both added, the last one in its edit";
        EXPECT_EQ(Invoke(menu, 1, way), S_OK);
        EXPECT_NE(WaitForList({}), (HWND)NULL);
    }
    EXPECT_EQ(CountSettingsWindows(), 1) << "one program was started";
    menu->Release();
}

// A path over 259 characters, or a name the ANSI code page cannot hold, would
// reach the list cut or with '?' in it: left out, and counted in the one box;
// with nothing else, the shell gets no menu.
TEST_F(Extension, PathsARequestCannotCarryWholeAreSkippedAndCounted)
{
    std::wstring tooLong = Widen(folder_) + std::wstring(250, L'd'),
                 foreign = Widen(folder_) + L"\x0416\x0443.txt";
    CreateDirectoryW((L"\\\\?\\" + tooLong).c_str(), NULL);
    tooLong += L"\\a.txt";
    for (const std::wstring &file : {tooLong, foreign})
        CloseHandle(CreateFileW((L"\\\\?\\" + file).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, foreign.c_str(), -1, NULL, 0, NULL, &lossy);
    ASSERT_TRUE(lossy) << "the test needs a code page without these letters";
    IContextMenu *menu =
        MenuFrom(ClipboardDataObject(tooLong + L'\0' + Widen(files_[0]) + L'\0' + foreign + L'\0'));
    ASSERT_NE(menu, (IContextMenu *)NULL);
    EXPECT_EQ(Invoke(menu, 0, BY_OFFSET), S_OK);
    EXPECT_NE(WaitForList({files_[0]}), (HWND)NULL);
    menu->Release();
    HWND box = WaitForUnsentBox();
    ASSERT_NE(box, (HWND)NULL);
    EXPECT_EQ(MessageBoxText(box), "2 of 3 files were not added to the VELT Duplix 98 list: 2 names are too long "
                                   "or hold letters that cannot be passed on.");
    PressButton(box, IDOK);
    EXPECT_TRUE(PumpUntil([] { return CanUnloadNow() == S_OK; }));
    if ((menu = MenuFrom(ClipboardDataObject(tooLong + L'\0' + foreign + L'\0'), E_FAIL)) != NULL)
        menu->Release();
}

struct NameCase {
    const char *what;
    const wchar_t *name;
    bool converts;
};

// A name reaches the list as the very name of its file or not at all: the
// extension from a wide or an ANSI block, and dxsend from its command line.
TEST_F(Extension, NamesOutsideTheCodePageAreLeftOutByTheMenuAndRefusedByDxsend)
{
    ASSERT_EQ(GetACP(), 1252u) << "the cases are those of code page 1252";
    const NameCase cases[] = {
        {"in the code page", L"Caf\u00e9 plan.doc", true},
        {"only look-alikes (Lodz.doc, another file)", L"\u0141\u00f3d\u017a.doc", false},
        {"no ANSI form at all", L"\u0416\u0443\u043a.txt", false},
    };
    Child duplix;
    ASSERT_TRUE(duplix.Start(BinPath(PROGRAM_FILE)));
    HWND dlg = WaitForSettingsWindow(duplix.Pid());
    ASSERT_NE(dlg, (HWND)NULL);
    for (const NameCase &c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring path = Widen(folder_) + c.name;
        CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
        char ansi[MAX_PATH] = "";
        WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi, MAX_PATH, NULL, NULL);
        for (bool wide : {true, false}) {
            SCOPED_TRACE(wide ? "wide block" : "ANSI block");
            IDataObject *data = ClipboardDataObject(path + L'\0', wide);
            ASSERT_NE(data, (IDataObject *)NULL);
            IContextMenu *menu = MenuFrom(data, c.converts ? S_OK : E_FAIL);
            if (menu != NULL && c.converts) {
                EXPECT_EQ(Invoke(menu, 0, BY_OFFSET), S_OK);
                EXPECT_NE(WaitForList({ansi}), (HWND)NULL);
                EXPECT_EQ(Invoke(menu, 1, BY_OFFSET), S_OK);
                EXPECT_NE(WaitForList({}), (HWND)NULL);
            }
            if (menu != NULL)
                menu->Release();
        }
        std::string output;
        DWORD code = RunConsole(BinPath("dxsend.exe"), L"add \"" + path + L"\"", &output);
        EXPECT_EQ(code, c.converts ? 0u : 1u) << output;
        if (c.converts) {
            EXPECT_EQ(ListOf(dlg), std::vector<std::string>{ansi});
            EXPECT_EQ(RunConsole(BinPath("dxsend.exe"), L"remove \"" + path + L"\"", &output), 0u) << output;
        } else {
            EXPECT_NE(output.find("ANSI code page cannot hold"), std::string::npos) << output;
        }
        EXPECT_TRUE(ListOf(dlg).empty());
    }
    PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(duplix.WaitEnd(WAIT_BOUND_MS));
}

TEST_F(Extension, OneObjectGivesThreeInterfacesAndTheDllStaysWhileAnythingOfItLives)
{
    IClassFactory *factory = NULL;
    IUnknown *object = NULL;
    void *none = (void *)1;
    ASSERT_EQ(CoGetClassObject(clsid_, CLSCTX_INPROC_SERVER, NULL, IID_IClassFactory, (void **)&factory),
              S_OK);
    HMODULE dll = GetModuleHandleA(EXTENSION_FILE);
    auto canUnload = (HRESULT(WINAPI *)(void))(void *)GetProcAddress(dll, "DllCanUnloadNow");
    auto getClass =
        (HRESULT(WINAPI *)(REFCLSID, REFIID, void **))(void *)GetProcAddress(dll, "DllGetClassObject");
    ASSERT_TRUE(canUnload != NULL && getClass != NULL);
    EXPECT_EQ(getClass(CLSID_ShellLink, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory->CreateInstance(factory, IID_IUnknown, &none), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(NULL, IID_IUnknown, (void **)&object), S_OK);
    const IID *iids[] = {&IID_IShellExtInit, &IID_IContextMenu, &IID_IContextMenu2, &IID_IContextMenu3,
                         &IID_IDataObject};
    for (int i = 0; i < 5; i++) {
        IUnknown *face = (IUnknown *)1;
        EXPECT_EQ(object->QueryInterface(*iids[i], (void **)&face), i < 2 ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(face == NULL, i >= 2);
        if (i < 2 && face != NULL)
            face->Release();
    }
    EXPECT_EQ(none, (void *)NULL);
    factory->LockServer(FALSE);  // an unlock without a lock must not cancel the next lock
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(canUnload(), S_FALSE) << "an object and a lock";
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(canUnload(), S_FALSE) << "a lock";
    ASSERT_EQ(getClass(clsid_, IID_IClassFactory, (void **)&factory), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE) << "a factory";
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(Extension, TheSubmenuKeepsToItsIdRangeAndStringsToTheirBuffer)
{
    IContextMenu *menu = MenuFrom(ShellDataObject(files_));
    ASSERT_NE(menu, (IContextMenu *)NULL);
    const UINT ranges[][4] = {{100, 200, CMF_NORMAL, 2}, {7, 8, CMF_EXPLORE, 2},
                              {100, 100, CMF_NORMAL, 0}, {9, 3, CMF_NORMAL, 0},
                              {0, 0xFFFFFFFF, 0, 2},     {100, 200, CMF_DEFAULTONLY, 0}};
    for (const UINT *r : ranges) {
        HMENU popup = CreatePopupMenu(), sub;
        char text[64] = "", item[64] = "";
        AppendMenuA(popup, MF_STRING, 1, "Open");
        EXPECT_EQ(menu->QueryContextMenu(popup, 0, r[0], r[1], r[2]),
                  MAKE_HRESULT(SEVERITY_SUCCESS, 0, r[3]));
        EXPECT_EQ(GetMenuItemCount(popup), r[3] ? 2 : 1);
        if (r[3] && (sub = GetSubMenu(popup, 0)) != NULL) {
            GetMenuStringA(popup, 0, text, sizeof(text), MF_BYPOSITION);
            GetMenuStringA(sub, 1, item, sizeof(item), MF_BYPOSITION);
            EXPECT_EQ(std::string(text) + "|" + item, PRODUCT_TITLE "|Remove from Duplix list");
            EXPECT_EQ(GetMenuItemID(sub, 0) + GetMenuItemID(sub, 1), 2 * r[0] + 1);
        }
        DestroyMenu(popup);
    }
    for (UINT type : {GCS_VERBA, GCS_HELPTEXTA, GCS_VERBW, GCS_HELPTEXTW}) {
        char cut[16];
        memset(cut, 'x', sizeof(cut));
        EXPECT_TRUE(FAILED(menu->GetCommandString(0, type, NULL, cut, 4)));
        size_t unit = (type & GCS_UNICODE) ? 2 : 1;
        EXPECT_EQ(std::string(cut + 3 * unit, 2 * unit), std::string(unit, '\0') + std::string(unit, 'x'));
    }
    EXPECT_EQ(menu->GetCommandString(2, GCS_VALIDATEA, NULL, NULL, 0), E_INVALIDARG);
    menu->Release();
}

}  // namespace

namespace {

// The copies window that the third command starts, or NULL.
HWND FindCopiesWindow(const std::string &name)
{
    return FindWindowA(NULL, (name + " - " PRODUCT_TITLE " Copies").c_str());
}

// Shown for one file only; it starts the copies window for that file.
TEST_F(Extension, ShowCopiesIsOfferedForOneFileAndOpensItsCopiesWindow)
{
    for (size_t files : {2u, 1u}) {
        SCOPED_TRACE(files);
        std::vector<std::string> selected(files_.begin(), files_.begin() + files);
        IContextMenu *menu = MenuFrom(ShellDataObject(selected));
        ASSERT_NE(menu, (IContextMenu *)NULL);
        HMENU popup = CreatePopupMenu();
        EXPECT_EQ(menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL),
                  MAKE_HRESULT(SEVERITY_SUCCESS, 0, files == 1 ? 3 : 2));
        HMENU sub = GetSubMenu(popup, 0);
        char text[64] = "";
        GetMenuStringA(sub, 2, text, sizeof(text), MF_BYPOSITION);
        EXPECT_EQ(std::string(text), files == 1 ? "Show Duplix copies..." : "");
        DestroyMenu(popup);
        if (files == 2) {
            CMINVOKECOMMANDINFO info = {};
            info.cbSize = sizeof(info);
            const LPCSTR verbs[] = {MAKEINTRESOURCEA(2), "DuplixCopies"};
            for (LPCSTR verb : verbs) {
                info.lpVerb = verb;
                EXPECT_EQ(menu->InvokeCommand(&info), E_FAIL);
            }
            EXPECT_EQ(menu->GetCommandString(2, GCS_VERBA, NULL, text, sizeof(text)), E_INVALIDARG);
        } else {
            PutString("BackupPath", folder_);
            EXPECT_EQ(Invoke(menu, 2, BY_VERB), S_OK);
            HWND copies = NULL;
            EXPECT_TRUE(PumpUntil([&] { return (copies = FindCopiesWindow("report two.doc")) != NULL; }));
            PostMessageA(copies, WM_COMMAND, IDCANCEL, 0);
            EXPECT_TRUE(PumpUntil([] { return CountProcessesNamed(COPIES_FILE) == 0; }));
        }
        menu->Release();
    }
}

// A folder selected, or the empty space of its window (no selection, the
// folder shown): the command opens the folder's window of copies.
TEST_F(Extension, ShowCopiesOfAFolderOrOfAFolderWindowsEmptySpaceOpensTheFolderWindow)
{
    const std::string folder = folder_.substr(0, folder_.size() - 1);
    PutString("BackupPath", folder + " bak");
    PutString(ListItem(0).c_str(), folder);
    for (bool background : {false, true}) {
        SCOPED_TRACE(background ? "the empty space of a folder window" : "a selected folder");
        IContextMenu *menu = background ? MenuForFolderWindow(folder) : MenuFrom(ShellDataObject({folder}));
        ASSERT_NE(menu, (IContextMenu *)NULL);
        const UINT offered = background ? 1 : 3;
        HMENU popup = CreatePopupMenu();
        EXPECT_EQ(menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, offered));
        char text[64] = "";
        GetMenuStringA(GetSubMenu(popup, 0), offered - 1, text, sizeof(text), MF_BYPOSITION);
        EXPECT_EQ(std::string(text), "Show Duplix copies...");
        DestroyMenu(popup);
        if (background) {
            CMINVOKECOMMANDINFO info = {};
            info.cbSize = sizeof(info);
            info.lpVerb = "DuplixAdd";
            EXPECT_EQ(menu->InvokeCommand(&info), E_FAIL) << "only the copies are offered there";
        }
        EXPECT_EQ(Invoke(menu, offered - 1, BY_VERB), S_OK);
        HWND copies = NULL;
        EXPECT_TRUE(PumpUntil([&] { return (copies = FindCopiesWindow("dxmenu test")) != NULL; }));
        PostMessageA(copies, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(PumpUntil([] { return CountProcessesNamed(COPIES_FILE) == 0; }));
        menu->Release();
    }
}

}  // namespace

namespace {

// A stand-in for the settings window, on a thread of its own: it takes the
// first requests and then, as the next one arrives, hangs in it until the
// end of the test, or it closes as it takes its last.
enum After { HANGS, CLOSES };

class StandIn {
public:
    StandIn(int answers, After after) : answers_(answers), after_(after)
    {
        thread_ = std::thread([this] { Run(); });
        WaitForSingleObject(created_, WAIT_BOUND_MS);
    }
    ~StandIn()
    {
        SetEvent(release_);
        PostMessageA(hwnd_, WM_CLOSE, 0, 0);
        thread_.join();
        CloseHandle(created_);
        CloseHandle(release_);
    }
    int Received() const { return received_; }

private:
    void Run()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "DuplixStandIn";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowA(wc.lpszClassName, SETTINGS_TITLE, WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, 0, 0,
                              wc.hInstance, 0);
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, (LONG_PTR)this);
        SetEvent(created_);
        for (MSG msg; GetMessageA(&msg, NULL, 0, 0) > 0;)
            DispatchMessageA(&msg);
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        StandIn *self = (StandIn *)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
        if (msg == WM_DESTROY)
            PostQuitMessage(0);
        if (msg != WM_COPYDATA || self == NULL)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        if (++self->received_ > self->answers_)
            WaitForSingleObject(self->release_, INFINITE);
        else if (self->received_ == self->answers_ && self->after_ == CLOSES)
            DestroyWindow(hwnd);
        return TRUE;
    }

    int answers_;
    After after_;
    std::atomic<int> received_{0};
    HWND hwnd_ = NULL;
    HANDLE created_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE release_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    std::thread thread_;
};

struct GiveUpCase {
    const char *what;
    UINT command;
    int answers;
    After after;
    const char *text;
};

// Explorer's call returns while the worker still sends; when the window
// stops taking requests, the worker sends no more and shows one box, owned
// by no window (not Explorer's), with what was lost and why. The closing
// window is last: the command after it opens the real dialog.
TEST_F(Extension, AWindowThatStopsHalfWayGetsNoMoreRequestsAndOneBoxCountsTheRest)
{
    const GiveUpCase cases[] = {
        {"hangs at the third", 0, 2, HANGS,
         "3 of 5 files were not added to the VELT Duplix 98 list: the settings window did not answer."},
        {"closes after the fourth", 1, 4, CLOSES,
         "1 of 5 files were not removed from the VELT Duplix 98 list: the settings window was closed."},
    };
    HWND explorer = CreateWindowA("STATIC", "Explorer", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, 0, 0, 0, 0);
    for (const GiveUpCase &c : cases) {
        SCOPED_TRACE(c.what);
        StandIn window(c.answers, c.after);
        IContextMenu *menu = MenuFrom(ShellDataObject(batch_));
        ASSERT_NE(menu, (IContextMenu *)NULL);
        EXPECT_EQ(Invoke(menu, c.command, BY_OFFSET, explorer), S_OK);
        menu->Release();
        EXPECT_EQ(CanUnloadNow(), S_FALSE) << "Explorer's call returned while the worker holds the DLL";
        HWND box = WaitForUnsentBox();
        ASSERT_NE(box, (HWND)NULL);
        EXPECT_EQ(MessageBoxText(box), c.text);
        EXPECT_EQ(GetWindow(box, GW_OWNER), (HWND)NULL);
        EXPECT_EQ(window.Received(), c.answers + (c.after == HANGS));
        if (c.after == CLOSES) {  // a box left open holds up no later command
            IContextMenu *next = MenuFrom(ShellDataObject(files_));
            EXPECT_EQ(Invoke(next, 0, BY_OFFSET), S_OK);
            next->Release();
            EXPECT_NE(WaitForList({files_[1], files_[0]}, true), (HWND)NULL);
        }
        PressButton(box, IDOK);
        EXPECT_TRUE(PumpUntil([] { return CanUnloadNow() == S_OK; })) << "the worker ended with its box";
        EXPECT_EQ(FindWindowA("#32770", PRODUCT_TITLE), (HWND)NULL) << "one box only";
    }
    DestroyWindow(explorer);
}

// Loaded from a folder whose name the ANSI code page cannot hold, so that
// its ANSI module name is of no use, and with no settings program beside it.
// Let go by everyone else while its box is up, the DLL stays until the box
// is closed, and then unloads.
TEST_F(Extension, AnExtensionInAFolderTheCodePageCannotNameHoldsItselfUntilItsBoxIsClosed)
{
    std::wstring dll = Widen(folder_) + L"\x0416\x0443\x043a";
    CreateDirectoryW(dll.c_str(), NULL);
    dll += L"\\" + Widen(EXTENSION_FILE);
    ASSERT_TRUE(CopyFileW(Widen(BinPath(EXTENSION_FILE)).c_str(), dll.c_str(), FALSE));
    HMODULE module = LoadLibraryW(dll.c_str());
    ASSERT_NE(module, (HMODULE)NULL);
    auto getClass =
        (HRESULT(WINAPI *)(REFCLSID, REFIID, void **))(void *)GetProcAddress(module, "DllGetClassObject");
    IClassFactory *factory = NULL;
    ASSERT_EQ(getClass(clsid_, IID_IClassFactory, (void **)&factory), S_OK);
    IContextMenu *menu = MenuFrom(ShellDataObject(files_), S_OK, factory);
    factory->Release();
    ASSERT_NE(menu, (IContextMenu *)NULL);
    EXPECT_EQ(Invoke(menu, 0, BY_OFFSET), S_OK);
    menu->Release();
    HWND box = WaitForUnsentBox();
    ASSERT_NE(box, (HWND)NULL);
    EXPECT_EQ(
        MessageBoxText(box),
        "2 of 2 files were not added to the VELT Duplix 98 list: the settings window could not be started.");
    FreeLibrary(module);
    EXPECT_EQ(GetModuleHandleW(dll.c_str()), module) << "the worker holds the DLL while its box is up";
    PressButton(box, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return GetModuleHandleW(dll.c_str()) == NULL; }))
        << "and lets it go at its end";
    EXPECT_EQ(FindWindowA("#32770", PRODUCT_TITLE), (HWND)NULL) << "one box only";
    DeleteFileW(dll.c_str());
}

}  // namespace
