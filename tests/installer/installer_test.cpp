// The real x64 installer and its uninstaller: a silent install into a folder
// with spaces, the product working from there, an upgrade over a running
// notifier and a loaded extension, and a silent uninstall.
#include "program/program_fixture.h"
#include "support/files.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <iostream>
#include <vector>

namespace {

const char UNINST_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VELT Duplix 98";
const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char SERVER_KEY[] = "CLSID\\{00000000-0002-5645-4c54-0020e48020af}\\InProcServer32";
const char PENDING_KEY[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char MISSING[] = "<missing>";

// A value as text (a number in decimal); "<missing>" when it is not there.
std::string RegText(HKEY root, const char *key, const char *name)
{
    HKEY h;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return MISSING;
    char data[2048] = "";
    DWORD type = 0, size = sizeof(data) - 2;
    LONG rc = RegQueryValueExA(h, name, NULL, &type, (BYTE *)data, &size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS)
        return MISSING;
    if (type == REG_DWORD)
        return std::to_string(*(DWORD *)data);
    return std::string(data, size).c_str();
}

// The whole multi-string value, zeros included ("" when missing).
std::string RegBytes(HKEY root, const char *key, const char *name)
{
    std::vector<char> data(65536);
    DWORD size = (DWORD)data.size();
    if (RegGetValueA(root, key, name, RRF_RT_REG_MULTI_SZ, NULL, data.data(), &size) != ERROR_SUCCESS)
        return "";
    return std::string(data.data(), size);
}

// Stores the bytes (a text with its zero, say), or deletes the value for none.
void PutBytes(HKEY root, const char *key, const char *name, const std::string &bytes, DWORD type = REG_MULTI_SZ)
{
    HKEY h;
    if (RegOpenKeyExA(root, key, 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS)
        return;
    if (bytes.empty())
        RegDeleteValueA(h, name);
    else
        RegSetValueExA(h, name, 0, type, (const BYTE *)bytes.data(), (DWORD)bytes.size());
    RegCloseKey(h);
}

bool KeyExists(HKEY root, const char *key)
{
    HKEY h;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

// Where a shortcut leads; "<missing>" when it cannot be read.
std::string ShortcutTarget(const std::string &link)
{
    std::string target = MISSING;
    IShellLinkA *shellLink = NULL;
    IPersistFile *file = NULL;
    wchar_t wide[MAX_PATH] = L"";
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&shellLink)))
        return target;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, (void **)&file))) {
        char path[MAX_PATH] = "";
        if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(shellLink->GetPath(path, MAX_PATH, NULL, 0)))
            target = path;
        file->Release();
    }
    shellLink->Release();
    return target;
}

// The files of a folder (names only, no subfolders).
std::vector<std::string> FilesIn(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found)) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return names;
}

// The program file of the one running process with this name ("" if none).
std::string ImageOf(const char *exeName)
{
    std::string image;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName) != 0)
            continue;
        HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, entry.th32ProcessID);
        MODULEENTRY32 module = {};
        module.dwSize = sizeof(module);
        if (modules != INVALID_HANDLE_VALUE && Module32First(modules, &module))
            image = module.szExePath;
        if (modules != INVALID_HANDLE_VALUE)
            CloseHandle(modules);
    }
    CloseHandle(snap);
    return image;
}

// Starts a command line as the shell or the Run key would; its exit code.
DWORD RunCommand(const std::string &command, DWORD boundMs = 60000)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return (DWORD)-1;
    DWORD code = STILL_ACTIVE;
    if (PumpUntilSignalled(pi.hProcess, boundMs))
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

class Installer : public CleanProgramTest {
protected:
    void SetUp() override
    {
        CleanProgramTest::SetUp();
        CoInitialize(NULL);
        pending_ = RegBytes(HKEY_LOCAL_MACHINE, PENDING_KEY, "PendingFileRenameOperations");
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY)) << "the product is installed already";
        root_ = MakeScratchFolder("duplix setup");
        dir_ = root_ + "\\VELT Software\\Duplix 98";
        bak_ = root_ + "\\backups";
        src_ = root_ + "\\work\\plan.doc";
        char menu[MAX_PATH] = "";
        SHGetFolderPathA(NULL, CSIDL_COMMON_PROGRAMS, NULL, 0, menu);
        menu_ = std::string(menu) + "\\VELT Duplix 98";
    }
    void TearDown() override
    {
        if (extension_ != NULL)
            FreeLibrary(extension_);
        // Whatever a failed run left installed goes, without its uninstaller's copy.
        if (KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY) && PathExists(dir_ + "\\Uninstall.exe"))
            RunCommand("\"" + dir_ + "\\Uninstall.exe\" /S _?=" + dir_);
        PutBytes(HKEY_LOCAL_MACHINE, PENDING_KEY, "PendingFileRenameOperations", pending_);
        RemoveFolderTree(root_);
        CoUninitialize();
        CleanProgramTest::TearDown();
    }

    std::string Installed(const char *file) const { return dir_ + "\\" + file; }
    // The newest copy of the listed file under the backup path.
    std::string Copy() const { return bak_ + "\\" + (char)toupper(src_[0]) + src_.substr(2); }

    // Every file the build ships lies in the folder with the build's bytes,
    // beside the uninstaller and nothing else.
    void ExpectFilesAsBuilt()
    {
        std::vector<std::string> built = FilesIn(BinPath(""));
        ASSERT_GE(built.size(), 5u);
        for (const std::string &name : built)
            EXPECT_EQ(ReadText(Installed(name.c_str())), ReadText(BinPath(name.c_str()))) << name;
        std::vector<std::string> installed = FilesIn(dir_);
        EXPECT_EQ(installed.size(), built.size() + 1);
        EXPECT_TRUE(PathExists(Installed("Uninstall.exe")));
    }

    void ExpectRegistered()
    {
        const std::string uninstaller = "\"" + Installed("Uninstall.exe") + "\"";
        struct {
            HKEY root;
            const char *key, *name;
            std::string text;
        } cases[] = {
            {HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98", "\"" + Installed("dxnotify.exe") + "\""},
            {HKEY_LOCAL_MACHINE, UNINST_KEY, "DisplayName", "VELT Duplix 98"},
            {HKEY_LOCAL_MACHINE, UNINST_KEY, "DisplayVersion", "98.7"},
            {HKEY_LOCAL_MACHINE, UNINST_KEY, "Publisher", "VELT Software"},
            {HKEY_LOCAL_MACHINE, UNINST_KEY, "DisplayIcon", Installed("Duplix.exe")},
            {HKEY_LOCAL_MACHINE, UNINST_KEY, "InstallLocation", dir_},
            {HKEY_LOCAL_MACHINE, UNINST_KEY, "UninstallString", uninstaller},
            {HKEY_LOCAL_MACHINE, UNINST_KEY, "QuietUninstallString", uninstaller + " /S"},
            {HKEY_LOCAL_MACHINE, UNINST_KEY, "NoModify", "1"},
            {HKEY_LOCAL_MACHINE, UNINST_KEY, "NoRepair", "1"},
            {HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Duplix", NULL,
             "{00000000-0002-5645-4c54-0020e48020af}"},
            {HKEY_CLASSES_ROOT, "CLSID\\{00000000-0002-5645-4c54-0020e48020af}", NULL,
             "VELT Duplix Context Menu Extension"},
            {HKEY_CLASSES_ROOT, SERVER_KEY, NULL, Installed("dxmenu.dll")},
            {HKEY_CLASSES_ROOT, SERVER_KEY, "ThreadingModel", "Apartment"},
        };
        for (const auto &c : cases)
            EXPECT_EQ(RegText(c.root, c.key, c.name), c.text) << c.key << " " << (c.name ? c.name : "(default)");
        // The size of the shipped files in KiB, roughly.
        int size = atoi(RegText(HKEY_LOCAL_MACHINE, UNINST_KEY, "EstimatedSize").c_str());
        EXPECT_GT(size, 100);
        EXPECT_LT(size, 2000);
        struct {
            const char *link, *target;
        } shortcuts[] = {
            {"VELT Duplix 98 Settings.lnk", "Duplix.exe"},
            {"VELT Duplix 98 Help.lnk", "Duplix.htm"},
            {"Uninstall VELT Duplix 98.lnk", "Uninstall.exe"},
        };
        for (const auto &s : shortcuts)
            EXPECT_EQ(lstrcmpiA(ShortcutTarget(menu_ + "\\" + s.link).c_str(), Installed(s.target).c_str()), 0)
                << s.link << " leads to " << ShortcutTarget(menu_ + "\\" + s.link);
    }

    // Changes every installed file (a byte more at its end, which the
    // programs ignore), so that an upgrade must replace them to pass.
    void MarkInstalledFiles()
    {
        for (const std::string &name : FilesIn(BinPath(""))) {
            std::string path = Installed(name.c_str());
            ASSERT_TRUE(WriteText(path, ReadText(path) + "~")) << name;
        }
    }

    // The loaded extension, moved aside by an upgrade: gone, or to be
    // deleted at the next restart.
    void ExpectLoadedExtensionLeaves()
    {
        std::string aside = Installed("dxmenu.dll.dxold");
        std::cout << "loaded extension after the upgrade: "
                  << (PathExists(aside) ? "moved aside" : "moved aside and deleted") << std::endl;
        if (!PathExists(aside))
            return;
        std::string pending = RegBytes(HKEY_LOCAL_MACHINE, PENDING_KEY, "PendingFileRenameOperations");
        std::string entry = std::string("\\??\\") + aside;
        EXPECT_NE(pending.find(std::string(entry.c_str(), entry.size() + 1) + '\0'), std::string::npos)
            << "the moved extension is not deleted at the next restart";
    }

    std::string pending_, root_, dir_, bak_, src_, menu_;
    HMODULE extension_ = NULL;
};

std::string SetupPath()
{
    // Each build tree makes its installer into the dist folder beside it.
    return BinPath("..\\..\\dist\\VELT-Duplix98-Setup-x64.exe");
}

// A failure leaves either no product or the previous one as it was, and says
// so with exit code 3.
TEST_F(Installer, AFailedInstallLeavesNoProductAndAFailedUpgradeThePreviousOne)
{
    const std::string setup = SetupPath();
    const std::string server = RegText(HKEY_CLASSES_ROOT, SERVER_KEY, NULL);
    // A folder in the way of one new file fails the install half-way through.
    ASSERT_TRUE(SHCreateDirectoryExA(NULL, Installed("Duplix.htm.dxnew").c_str(), NULL) == ERROR_SUCCESS);
    EXPECT_EQ(RunCommand("\"" + setup + "\" /S /D=" + dir_), 3u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98"), MISSING);
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, SERVER_KEY, NULL), server);
    EXPECT_FALSE(PathExists(menu_));
    EXPECT_EQ(FilesIn(dir_).size(), 0u) << "no file left";
    RemoveDirectoryA(Installed("Duplix.htm.dxnew").c_str());

    ASSERT_EQ(RunCommand("\"" + setup + "\" /S /D=" + dir_), 0u);
    MarkInstalledFiles();
    ASSERT_TRUE(CreateDirectoryA(Installed("dxsend.exe.dxnew").c_str(), NULL));
    EXPECT_EQ(RunCommand("\"" + setup + "\" /S"), 3u);
    RemoveDirectoryA(Installed("dxsend.exe.dxnew").c_str());
    for (const std::string &name : FilesIn(BinPath("")))
        EXPECT_EQ(ReadText(Installed(name.c_str())), ReadText(BinPath(name.c_str())) + "~") << name << " kept";
    EXPECT_EQ(FilesIn(dir_).size(), FilesIn(BinPath("")).size() + 1) << "no new file left beside the old ones";
    ExpectRegistered();
}

// The extension and the Run value may belong to another copy of the product
// by the time this one is uninstalled.
TEST_F(Installer, TheUninstallerLeavesAnotherCopysRegistration)
{
    ASSERT_EQ(RunCommand("\"" + SetupPath() + "\" /S /D=" + dir_), 0u);
    const std::string server = BinPath("dxmenu.dll"), run = "\"" + BinPath("dxnotify.exe") + "\"";
    PutBytes(HKEY_CLASSES_ROOT, SERVER_KEY, NULL, std::string(server.c_str(), server.size() + 1), REG_SZ);
    PutBytes(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98", std::string(run.c_str(), run.size() + 1), REG_SZ);
    EXPECT_EQ(RunCommand("\"" + Installed("Uninstall.exe") + "\" /S _?=" + dir_), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY));
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"Uninstall.exe"}) << "running, it stays";
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, SERVER_KEY, NULL), server);
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Duplix", NULL),
              "{00000000-0002-5645-4c54-0020e48020af}");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98"), run);
    PutBytes(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98", "");
}

TEST_F(Installer, InstallsRunsUpgradesOverARunningNotifierAndUninstallsKeepingSettingsAndBackups)
{
    const std::string setup = SetupPath();
    ASSERT_TRUE(PathExists(setup));
    ASSERT_EQ(RunCommand("\"" + setup + "\" /S /D=" + dir_), 0u);
    ExpectFilesAsBuilt();
    ExpectRegistered();
    EXPECT_EQ(CountProcessesNamed("dxnotify.exe"), 0) << "no list, no notifier";

    duplix_ = Installed("Duplix.exe");
    {
        Child settings;
        HWND dlg = Open(settings);
        ASSERT_NE(dlg, (HWND)NULL) << "Duplix.exe runs from the installed folder";
        EXPECT_EQ(CloseWithCancel(settings, dlg), 0u);
    }

    // The logon start: the Run value's command backs up the user's list.
    MarkInstalledFiles();
    PutString("BackupPath", bak_);
    PutString(ListItem(0).c_str(), src_);
    ASSERT_TRUE(WriteText(src_, "one"));
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION old = {};
    std::string run = RegText(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98");
    std::vector<char> line(run.begin(), run.end());
    line.push_back('\0');
    ASSERT_TRUE(CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &old));
    CloseHandle(old.hThread);
    ASSERT_TRUE(PumpUntil(EventExists));
    EXPECT_TRUE(PumpUntil([&] { return ReadText(Copy()) == "one"; }));

    // The upgrade, while Explorer (this process) holds the extension loaded.
    extension_ = LoadLibraryA(Installed("dxmenu.dll").c_str());
    ASSERT_NE(extension_, (HMODULE)NULL);
    EXPECT_EQ(RunCommand("\"" + setup + "\" /S"), 0u);
    EXPECT_EQ(WaitForSingleObject(old.hProcess, 0), WAIT_OBJECT_0) << "the running notifier was stopped";
    CloseHandle(old.hProcess);
    std::vector<std::string> built = FilesIn(BinPath(""));
    for (const std::string &name : built)
        EXPECT_EQ(ReadText(Installed(name.c_str())), ReadText(BinPath(name.c_str()))) << name << " replaced";
    ExpectLoadedExtensionLeaves();
    ASSERT_TRUE(PumpUntil(EventExists)) << "the upgrade starts the notifier for a user with a list";
    EXPECT_EQ(lstrcmpiA(ImageOf("dxnotify.exe").c_str(), Installed("dxnotify.exe").c_str()), 0);
    ASSERT_TRUE(WriteText(src_, "two"));
    EXPECT_TRUE(PumpUntil([&] { return ReadText(Copy()) == "two"; }));

    // The uninstall as Add/Remove Programs runs it: it returns at once and
    // works on from a copy of itself.
    FreeLibrary(extension_);
    extension_ = NULL;
    std::string quiet = RegText(HKEY_LOCAL_MACHINE, UNINST_KEY, "QuietUninstallString");
    EXPECT_EQ(RunCommand(quiet), 0u);
    EXPECT_TRUE(PumpUntil([&] { return !PathExists(dir_) && CountProcessesNamed("Au_.exe") == 0; }, 30000))
        << "files left: " << FilesIn(dir_).size();
    EXPECT_EQ(CountProcessesNamed("dxnotify.exe"), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98"), MISSING);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{00000000-0002-5645-4c54-0020e48020af}"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Duplix"));
    EXPECT_FALSE(PathExists(menu_));
    EXPECT_EQ(GetString("BackupPath"), bak_) << "the settings stay";
    EXPECT_EQ(GetString(ListItem(0).c_str()), src_);
    EXPECT_EQ(ReadText(Copy()), "two") << "the backups stay";
}

} // namespace
