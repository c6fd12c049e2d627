// This build's installer (x86 from the i686 tree, run in its 32-bit prefix as
// on 32-bit Windows; x64 from the x86_64 tree) and its uninstaller: a silent
// install into a folder with spaces, the product working from there, an upgrade over a running
// notifier and a loaded extension, an upgrade from the plain uninstaller name, failures, and a
// silent uninstall.
#include "program/program_fixture.h"
#include "support/files.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <vector>

namespace {

const char UNINST_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VELT Duplix 98";
const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char CLSID[] = "{00000000-0002-5645-4c54-0020e48020af}";
const char CLASS_KEY[] = "CLSID\\{00000000-0002-5645-4c54-0020e48020af}";
const char SERVER_KEY[] = "CLSID\\{00000000-0002-5645-4c54-0020e48020af}\\InProcServer32";
const char HANDLER_KEY[] = "*\\shellex\\ContextMenuHandlers\\Duplix";
const char FOLDER_HANDLER_KEY[] = "Directory\\shellex\\ContextMenuHandlers\\Duplix";
const char BACKGROUND_HANDLER_KEY[] = "Directory\\Background\\shellex\\ContextMenuHandlers\\Duplix";
const char UNINSTALLER[] = "Uninstall VELT Duplix 98.exe";
// What a silent uninstaller runs as from the temporary folder (NSIS 3).
const char UNINSTALLER_COPY[] = "Un.exe";
const char PENDING_KEY[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char PENDING[] = "PendingFileRenameOperations";
const char MISSING[] = "<missing>";

// A value as stored (a text without its zero, a number in decimal).
std::string RegValue(HKEY root, const char *key, const char *name)
{
    std::vector<char> data(65536);
    DWORD type = 0, size = (DWORD)data.size() - 1;
    if (RegGetValueA(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(), &size) != ERROR_SUCCESS)
        return MISSING;
    if (type == REG_DWORD)
        return std::to_string(*(DWORD *)data.data());
    return type == REG_SZ ? std::string(data.data()) : std::string(data.data(), size);
}

// Stores the value (a text with its zero added), or deletes it for MISSING.
void PutValue(HKEY root, const char *key, const char *name, const std::string &value, DWORD type = REG_SZ)
{
    if (value == MISSING)
        RegDeleteKeyValueA(root, key, name);
    else
        RegSetKeyValueA(root, key, name, type, value.c_str(), (DWORD)value.size() + (type == REG_SZ));
}

bool KeyExists(HKEY root, const char *key)
{
    HKEY h;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

// Where a shortcut leads; MISSING when it cannot be read.
std::string ShortcutTarget(const std::string &link)
{
    char path[MAX_PATH] = "<missing>";
    wchar_t wide[MAX_PATH] = L"";
    IShellLinkA *shellLink = NULL;
    IPersistFile *file = NULL;
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&shellLink))) {
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, (void **)&file))) {
            if (SUCCEEDED(file->Load(wide, STGM_READ)))
                shellLink->GetPath(path, MAX_PATH, NULL, 0);
            file->Release();
        }
        shellLink->Release();
    }
    return path;
}

// The names of a folder's files.
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

// The file name of the parent of a process with this file name; MISSING
// when there is none.
std::string ParentOf(const char *exeName)
{
    std::vector<PROCESSENTRY32> all;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry))
        all.push_back(entry);
    CloseHandle(snap);
    for (const PROCESSENTRY32 &child : all) {
        for (const PROCESSENTRY32 &parent : all) {
            if (lstrcmpiA(child.szExeFile, exeName) == 0 && parent.th32ProcessID == child.th32ParentProcessID)
                return parent.szExeFile;
        }
    }
    return MISSING;
}

// Starts a command line as the shell or the Run key does. Given process, it
// hands over the process and returns at once; else it waits for the exit code.
DWORD RunCommand(const std::string &command, HANDLE *process = NULL)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return (DWORD)-1;
    CloseHandle(pi.hThread);
    DWORD code = STILL_ACTIVE;
    if (process != NULL) {
        *process = pi.hProcess;
        return 0;
    }
    if (PumpUntilSignalled(pi.hProcess, 60000))
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return code;
}

// Each build tree makes its installer into the dist folder beside it.
std::string SetupCommand(const std::string &args)
{
    const char *arch = sizeof(void *) == 8 ? "x64" : "x86";
    return "\"" + BinPath("..\\..\\dist\\VELT-Duplix98-Setup-") + arch + ".exe\" " + args;
}

class Installer : public CleanProgramTest {
protected:
    void SetUp() override
    {
        CleanProgramTest::SetUp();
        CoInitialize(NULL);
        pending_ = RegValue(HKEY_LOCAL_MACHINE, PENDING_KEY, PENDING);
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY)) << "the product is installed already";
        root_ = MakeScratchFolder("duplix setup");
        dir_ = root_ + "\\VELT Software\\Duplix 98";
        char menu[MAX_PATH] = "";
        SHGetFolderPathA(NULL, CSIDL_COMMON_PROGRAMS, NULL, 0, menu);
        menu_ = std::string(menu) + "\\VELT Duplix 98";
    }
    void TearDown() override
    {
        if (extension_ != NULL)
            FreeLibrary(extension_);
        if (KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY) && PathExists(Installed(UNINSTALLER)))
            RunCommand("\"" + Installed(UNINSTALLER) + "\" /S _?=" + dir_);
        // Also what a test wrote in place of an installation.
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINST_KEY);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, FOLDER_HANDLER_KEY);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, BACKGROUND_HANDLER_KEY);
        PutValue(HKEY_LOCAL_MACHINE, PENDING_KEY, PENDING, pending_, REG_MULTI_SZ);
        RemoveFolderTree(root_);
        CoUninitialize();
        CleanProgramTest::TearDown();
    }

    std::string Installed(const std::string &file) const { return dir_ + "\\" + file; }

    // An install starts the notifier as the user whatever the list; on an
    // empty one it ends at once, and then lets its file be changed.
    static bool NoNotifierRuns() { return CountProcessesNamed("dxnotify.exe") == 0; }

    // Every file the build ships lies in the folder, with the build's bytes
    // and then the tail, beside the uninstaller and the given others.
    void ExpectFilesAsBuilt(const std::string &tail = "", size_t others = 0)
    {
        std::vector<std::string> built = FilesIn(BinPath(""));
        // Four programs, the extension and the help document at least.
        ASSERT_GE(built.size(), 6u);
        for (const std::string &name : built)
            EXPECT_EQ(ReadText(Installed(name)), ReadText(BinPath(name.c_str())) + tail) << name;
        EXPECT_EQ(FilesIn(dir_).size(), built.size() + 1 + others);
        EXPECT_TRUE(PathExists(Installed(UNINSTALLER)));
    }

    // Changes every installed file (a byte more at its end, which the
    // programs ignore), so that an upgrade must replace them to pass.
    void MarkInstalledFiles()
    {
        for (const std::string &name : FilesIn(BinPath("")))
            ASSERT_TRUE(WriteText(Installed(name), ReadText(Installed(name)) + "~")) << name;
    }

    void ExpectRegistered()
    {
        const std::string uninstaller = "\"" + Installed(UNINSTALLER) + "\"";
        struct {
            HKEY root;
            const char *key, *name;
            std::string value;
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
            {HKEY_CLASSES_ROOT, HANDLER_KEY, NULL, CLSID},
            {HKEY_CLASSES_ROOT, FOLDER_HANDLER_KEY, NULL, CLSID},
            {HKEY_CLASSES_ROOT, BACKGROUND_HANDLER_KEY, NULL, CLSID},
            {HKEY_CLASSES_ROOT, CLASS_KEY, NULL, "VELT Duplix Context Menu Extension"},
            {HKEY_CLASSES_ROOT, SERVER_KEY, NULL, Installed("dxmenu.dll")},
            {HKEY_CLASSES_ROOT, SERVER_KEY, "ThreadingModel", "Apartment"},
        };
        for (const auto &c : cases)
            EXPECT_EQ(RegValue(c.root, c.key, c.name), c.value) << c.key << " " << (c.name ? c.name : "");
        // The shipped files' size in KiB.
        int size = atoi(RegValue(HKEY_LOCAL_MACHINE, UNINST_KEY, "EstimatedSize").c_str());
        EXPECT_TRUE(size > 100 && size < 2000) << size;
        const char *shortcuts[][2] = {{"VELT Duplix 98 Settings.lnk", "Duplix.exe"},
                                      {"VELT Duplix 98 Help.lnk", "Duplix.htm"},
                                      {"Uninstall VELT Duplix 98.lnk", UNINSTALLER}};
        for (const auto &s : shortcuts)
            EXPECT_EQ(lstrcmpiA(ShortcutTarget(menu_ + "\\" + s[0]).c_str(), Installed(s[1]).c_str()), 0) << s[0];
    }

    std::string pending_, root_, dir_, menu_;
    HMODULE extension_ = NULL;
};

TEST_F(Installer, InstallsRunsUpgradesOverARunningNotifierAndUninstallsKeepingSettingsAndBackups)
{
    ASSERT_EQ(RunCommand(SetupCommand("/S /D=" + dir_)), 0u);
    ExpectFilesAsBuilt();
    ExpectRegistered();
    EXPECT_TRUE(PumpUntil(NoNotifierRuns)) << "no list, no notifier";
    duplix_ = Installed("Duplix.exe");
    {
        Child settings;
        HWND dlg = Open(settings);
        ASSERT_NE(dlg, (HWND)NULL) << "Duplix.exe runs from the installed folder";
        EXPECT_EQ(CloseWithCancel(settings, dlg), 0u);
    }

    // The logon start: the Run value's command backs up the user's list.
    MarkInstalledFiles();
    const std::string bak = root_ + "\\backups", src = root_ + "\\work\\plan.doc";
    const std::string copy = bak + "\\" + (char)toupper(src[0]) + src.substr(2);
    PutString("BackupPath", bak);
    PutString(ListItem(0).c_str(), src);
    ASSERT_TRUE(WriteText(src, "one"));
    HANDLE old = NULL;
    ASSERT_EQ(RunCommand(RegValue(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98"), &old), 0u);
    ASSERT_TRUE(PumpUntil(EventExists));
    EXPECT_TRUE(PumpUntil([&] { return ReadText(copy) == "one"; }));

    // The upgrade, while Explorer (this process) holds the extension loaded.
    extension_ = LoadLibraryA(Installed("dxmenu.dll").c_str());
    ASSERT_NE(extension_, (HMODULE)NULL);
    EXPECT_EQ(RunCommand(SetupCommand("/S")), 0u);
    EXPECT_EQ(WaitForSingleObject(old, 0), WAIT_OBJECT_0) << "the running notifier was stopped";
    CloseHandle(old);
    // The loaded extension was moved aside; it goes at the next restart.
    const std::string aside = "\\??\\" + Installed("dxmenu.dll.dxold");
    ExpectFilesAsBuilt("", PathExists(aside.substr(4)));
    if (PathExists(aside.substr(4))) {
        EXPECT_NE(RegValue(HKEY_LOCAL_MACHINE, PENDING_KEY, PENDING).find(aside + '\0' + '\0'), std::string::npos);
    }
    ASSERT_TRUE(PumpUntil(EventExists)) << "the upgrade starts the notifier for a user with a list";
    // Looked for until found: one snapshot may come before the new process
    // is seen with its parent.
    EXPECT_TRUE(PumpUntil([] { return ParentOf("dxnotify.exe") == "explorer.exe"; }))
        << "started by the user's shell, not elevated: " << ParentOf("dxnotify.exe");
    ASSERT_TRUE(WriteText(src, "two"));
    EXPECT_TRUE(PumpUntil([&] { return ReadText(copy) == "two"; })) << "and it backs up";

    // The uninstall as Add/Remove Programs runs it: it returns at once and
    // works on from a copy of itself.
    FreeLibrary(extension_);
    extension_ = NULL;
    EXPECT_EQ(RunCommand(RegValue(HKEY_LOCAL_MACHINE, UNINST_KEY, "QuietUninstallString")), 0u);
    EXPECT_TRUE(PumpUntil([&] { return !PathExists(dir_) && CountProcessesNamed(UNINSTALLER_COPY) == 0; },
                          30000));
    EXPECT_EQ(CountProcessesNamed("dxnotify.exe"), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY));
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98"), MISSING);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HANDLER_KEY));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, FOLDER_HANDLER_KEY));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, BACKGROUND_HANDLER_KEY));
    EXPECT_FALSE(PathExists(menu_));
    EXPECT_EQ(GetString("BackupPath"), bak) << "the settings stay";
    EXPECT_EQ(GetString(ListItem(0).c_str()), src);
    EXPECT_EQ(ReadText(copy), "two") << "the backups stay";
}

// A failure leaves no product or the previous one as it was (exit code 3);
// the uninstaller leaves the registration that another copy took over.
TEST_F(Installer, FailuresLeaveThePreviousStateAndTheUninstallerAnotherCopysRegistration)
{
    const std::string server = RegValue(HKEY_CLASSES_ROOT, SERVER_KEY, NULL);
    // A folder in the way of one new file fails the install half-way through.
    ASSERT_EQ(SHCreateDirectoryExA(NULL, Installed("Duplix.htm.dxnew").c_str(), NULL), ERROR_SUCCESS);
    EXPECT_EQ(RunCommand(SetupCommand("/S /D=" + dir_)), 3u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY));
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98"), MISSING);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, SERVER_KEY, NULL), server);
    EXPECT_FALSE(PathExists(menu_));
    EXPECT_EQ(FilesIn(dir_).size(), 0u);
    RemoveDirectoryA(Installed("Duplix.htm.dxnew").c_str());

    ASSERT_EQ(RunCommand(SetupCommand("/S /D=" + dir_)), 0u);
    ASSERT_TRUE(PumpUntil(NoNotifierRuns));
    MarkInstalledFiles();
    ASSERT_TRUE(CreateDirectoryA(Installed("dxsend.exe.dxnew").c_str(), NULL));
    EXPECT_EQ(RunCommand(SetupCommand("/S")), 3u);
    RemoveDirectoryA(Installed("dxsend.exe.dxnew").c_str());
    ExpectFilesAsBuilt("~");
    ExpectRegistered();

    const std::string other = BinPath("dxmenu.dll"), run = "\"" + BinPath("dxnotify.exe") + "\"";
    PutValue(HKEY_CLASSES_ROOT, SERVER_KEY, NULL, other);
    PutValue(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98", run);
    EXPECT_EQ(RunCommand("\"" + Installed(UNINSTALLER) + "\" /S _?=" + dir_), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINST_KEY));
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{UNINSTALLER}) << "running, it stays";
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, SERVER_KEY, NULL), other);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, HANDLER_KEY, NULL), CLSID);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, FOLDER_HANDLER_KEY, NULL), CLSID);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, BACKGROUND_HANDLER_KEY, NULL), CLSID);
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98"), run);
    PutValue(HKEY_LOCAL_MACHINE, RUN_KEY, "VELT Duplix 98", MISSING);
}

// The uninstaller was once plain "Uninstall.exe": an upgrade removes the one
// that the previous installation registered in this folder, never another
// product's in a shared folder. The uninstaller leaves a folder handler that
// names another class.
TEST_F(Installer, UpgradesRemoveOnlyTheirOwnOldUninstallerAndUninstallsOnlyTheirOwnFolderHandler)
{
    const std::string plain = Installed("Uninstall.exe"), elsewhere = root_ + "\\elsewhere";
    const char OTHER[] = "{5e2a1c07-1d3b-4f68-9a0e-7c41b2d93f10}";
    struct {
        const char *what;
        bool ours;              // the plain name is an installation's here, else another product's file
        std::string registered; // the UninstallString found by the upgrade
        const char *handler;    // what the folder handler names at the uninstall
    } cases[] = {
        {"an older installation here", true, "\"" + plain + "\"", CLSID},
        {"another product's, nothing registered", false, MISSING, OTHER},
        {"another product's, ours registered elsewhere", false, "\"" + elsewhere + "\\Uninstall.exe\"",
         CLSID},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.ours) {
            ASSERT_EQ(RunCommand(SetupCommand("/S /D=" + dir_)), 0u);
            ASSERT_TRUE(MoveFileA(Installed(UNINSTALLER).c_str(), plain.c_str()));
        } else {
            ASSERT_TRUE(WriteText(plain, "another product"));
            if (c.registered != MISSING)
                PutValue(HKEY_LOCAL_MACHINE, UNINST_KEY, "InstallLocation", elsewhere);
        }
        if (c.registered != MISSING) {
            PutValue(HKEY_LOCAL_MACHINE, UNINST_KEY, "UninstallString", c.registered);
            PutValue(HKEY_LOCAL_MACHINE, UNINST_KEY, "QuietUninstallString", c.registered + " /S");
        }
        ASSERT_EQ(RunCommand(SetupCommand("/S /D=" + dir_)), 0u);
        ExpectFilesAsBuilt("", !c.ours);
        ExpectRegistered();
        EXPECT_EQ(ReadText(plain), c.ours ? MISSING : "another product");

        PutValue(HKEY_CLASSES_ROOT, FOLDER_HANDLER_KEY, NULL, c.handler);
        EXPECT_EQ(RunCommand(RegValue(HKEY_LOCAL_MACHINE, UNINST_KEY, "QuietUninstallString")), 0u);
        EXPECT_TRUE(PumpUntil([] { return CountProcessesNamed(UNINSTALLER_COPY) == 0; }, 30000));
        EXPECT_FALSE(PathExists(Installed(UNINSTALLER)));
        EXPECT_EQ(ReadText(plain), c.ours ? MISSING : "another product");
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY));
        const std::string left = lstrcmpiA(c.handler, CLSID) == 0 ? MISSING : c.handler;
        EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, FOLDER_HANDLER_KEY, NULL), left);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, FOLDER_HANDLER_KEY);
        DeleteFileA(plain.c_str());
        RemoveDirectoryA(dir_.c_str());
    }
}

} // namespace
