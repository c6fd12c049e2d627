// The extension as the shell creates it, and the files handed to it.
#include "extension_fixture.h"

#include "res/resource.h"
#include "support/product_key.h"
#include "support/remote_list.h"

#include <commctrl.h>

std::string ExtensionTest::folder_;
std::vector<std::string> ExtensionTest::names_ = {"Report one.txt", "report two.doc"};

void ExtensionTest::SetUpTestSuite()
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    folder_ = std::string(temp) + "dxmenu test";
    CreateDirectoryA(folder_.c_str(), NULL);
    for (const std::string &name : names_) {
        HANDLE h = CreateFileA(FullPath(name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        CloseHandle(h);
    }
    Child duplix;
    ASSERT_TRUE(duplix.Start(BinPath(PROGRAM_FILE)));
    HWND dlg = WaitForSettingsWindow(duplix.Pid());
    ASSERT_NE(dlg, (HWND)NULL);
    PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(duplix.WaitEnd(WAIT_BOUND_MS));
}

void ExtensionTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(OleInitialize(NULL)));
    ASSERT_EQ(CountSettingsWindows(), 0) << "a settings window is left over from elsewhere";
    CleanProductKey();
}

void ExtensionTest::TearDown()
{
    HWND dlg;
    while ((dlg = FindSettingsWindow()) != NULL) {
        PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
        PumpUntil([dlg] { return !IsWindow(dlg); });
    }
    OleUninitialize();
}

CLSID ExtensionTest::ExtensionClass()
{
    CLSID clsid = {};
    EXPECT_EQ(CLSIDFromString(L"" EXTENSION_CLSID, &clsid), S_OK);
    return clsid;
}

std::string ExtensionTest::FullPath(const std::string &name)
{
    return folder_ + "\\" + name;
}

// The data object that the shell's folder object gives for the files.
static IDataObject *ShellDataObject(const std::string &folder, const std::vector<std::string> &names)
{
    IShellFolder *desktop = NULL, *shellFolder = NULL;
    IDataObject *data = NULL;
    std::vector<LPITEMIDLIST> items;
    WCHAR wide[MAX_PATH];
    LPITEMIDLIST folderItem = NULL;

    SHGetDesktopFolder(&desktop);
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(desktop->ParseDisplayName(NULL, NULL, wide, NULL, &folderItem, NULL)) &&
        SUCCEEDED(desktop->BindToObject(folderItem, NULL, IID_IShellFolder, (void **)&shellFolder))) {
        for (const std::string &name : names) {
            LPITEMIDLIST item = NULL;
            MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(shellFolder->ParseDisplayName(NULL, NULL, wide, NULL, &item, NULL)))
                items.push_back(item);
        }
        if (items.size() == names.size())
            shellFolder->GetUIObjectOf(NULL, (UINT)items.size(), (LPCITEMIDLIST *)items.data(), IID_IDataObject,
                                       NULL, (void **)&data);
        shellFolder->Release();
    }
    for (LPITEMIDLIST item : items)
        CoTaskMemFree(item);
    CoTaskMemFree(folderItem);
    desktop->Release();
    return data;
}

IContextMenu *ExtensionTest::MenuFor(const std::vector<std::string> &names)
{
    return MenuFrom(ShellDataObject(folder_, names));
}

IContextMenu *ExtensionTest::MenuFrom(IDataObject *data, HRESULT init)
{
    IShellExtInit *extInit = NULL;
    IContextMenu *menu = NULL;

    EXPECT_NE(data, (IDataObject *)NULL);
    EXPECT_EQ(CoCreateInstance(ExtensionClass(), NULL, CLSCTX_INPROC_SERVER, IID_IShellExtInit, (void **)&extInit),
              S_OK);
    if (data == NULL || extInit == NULL)
        return NULL;
    EXPECT_EQ(extInit->Initialize(NULL, data, NULL), init);
    extInit->QueryInterface(IID_IContextMenu, (void **)&menu);
    extInit->Release();
    data->Release();
    return menu;
}

IDataObject *ClipboardDataObject(const std::vector<std::wstring> &paths)
{
    std::wstring list;
    for (const std::wstring &path : paths)
        list += path + L'\0';
    list += L'\0';
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() * sizeof(WCHAR));
    DROPFILES *drop = (DROPFILES *)GlobalLock(block);
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(drop + 1, list.data(), list.size() * sizeof(WCHAR));
    GlobalUnlock(block);
    IDataObject *data = NULL;
    if (OpenClipboard(NULL)) {
        EmptyClipboard();
        SetClipboardData(CF_HDROP, block);
        CloseClipboard();
        OleGetClipboard(&data);
    }
    return data;
}

HRESULT ExtensionTest::Invoke(IContextMenu *menu, UINT offset, Way way)
{
    CMINVOKECOMMANDINFOEX info = {};
    char verb[64] = "";
    WCHAR verbW[64] = L"";

    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(offset);
    if (way != BY_OFFSET) {
        EXPECT_EQ(menu->GetCommandString(offset, GCS_VERBA, NULL, verb, sizeof(verb)), S_OK);
        info.lpVerb = verb;
    }
    if (way == BY_WIDE_VERB) {
        EXPECT_EQ(menu->GetCommandString(offset, GCS_VERBW, NULL, (LPSTR)verbW, 64), S_OK);
        info.fMask = CMIC_MASK_UNICODE;
        info.lpVerb = "not this one";
        info.lpVerbW = verbW;
    }
    return menu->InvokeCommand((CMINVOKECOMMANDINFO *)&info);
}

std::vector<std::string> ListOf(HWND settings)
{
    return RemoteListEntries(GetDlgItem(settings, IDC_FILE_LIST));
}

bool LabelEditOpen(HWND settings)
{
    return SendMessageA(GetDlgItem(settings, IDC_FILE_LIST), LVM_GETEDITCONTROL, 0, 0) != 0;
}
