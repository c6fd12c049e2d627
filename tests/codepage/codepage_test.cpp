// The program under code page 932, in a folder and under a file name whose
// characters end in the byte 0x5C: every path it builds from its own stays
// whole. Run with LANG=ja_JP.UTF-8 in a prefix of its own.
#include "program/program_fixture.h"
#include "support/files.h"

#include <tlhelp32.h>

#include <fstream>
#include <sstream>

namespace {

// Shift-JIS: 表 is 0x95 0x5C, ソ is 0x83 0x5C.
const char kFolderName[] = "dx\x95\x5C\x83\x5C";
const char kProgramName[] = "Duplix\x83\x5C.exe";
const char kClassesKey[] = "Software\\Classes";
const char kServerKey[] = "CLSID\\{00000000-0002-5645-4c54-0020e48020af}\\InProcServer32";

std::string ReadClassesDefault(const char *subKey)
{
    char text[MAX_PATH * 2] = "";
    LONG size = sizeof(text);
    if (RegQueryValueA(HKEY_CLASSES_ROOT, subKey, text, &size) != ERROR_SUCCESS)
        return "<missing>";
    return text;
}

// The full file name of the first process with this name, from its module list.
std::string ImagePathOf(const char *exeName)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    DWORD pid = 0;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snap, &entry); more && pid == 0; more = Process32Next(snap, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName) == 0)
            pid = entry.th32ProcessID;
    }
    CloseHandle(snap);
    snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    MODULEENTRY32 module;
    module.dwSize = sizeof(module);
    std::string path = "<no " + std::string(exeName) + ">";
    if (pid != 0 && snap != INVALID_HANDLE_VALUE && Module32First(snap, &module))
        path = module.szExePath;
    if (snap != INVALID_HANDLE_VALUE)
        CloseHandle(snap);
    return path;
}

class CodePage932 : public CleanProgramTest {
protected:
    void SetUp() override
    {
        CleanProgramTest::SetUp();
        ASSERT_EQ(GetACP(), 932u) << "this test runs under LANG=ja_JP.UTF-8";
        folder_ = MakeScratchFolder(kFolderName);
        const char *files[] = {"dxnotify.exe", "dxmenu.dll", "Duplix.htm"};
        for (const char *file : files)
            ASSERT_TRUE(CopyFileA(BinPath(file).c_str(), (folder_ + "\\" + file).c_str(), FALSE)) << file;
        ASSERT_TRUE(CopyFileA(duplix_.c_str(), (folder_ + "\\" + kProgramName).c_str(), FALSE));
        // An entry, so that OK starts the notifier; its copies go elsewhere.
        copies_ = MakeScratchFolder("dxcopies");
        PutString("BackupPath", copies_);
        PutString(ListItem(0).c_str(), copies_ + "\\plan.txt");
        // Pages open in the recorder, which logs the address it is given.
        std::string tests = BinPath("").substr(0, BinPath("").find("\\..\\bin")) + "\\";
        log_ = tests + "shell_recorder.log";
        DeleteFileA(log_.c_str());
        RegCreateKeyA(HKEY_LOCAL_MACHINE, kClassesKey, &classes_);
        oldHtm_ = ReadClassesDefault(".htm");
        RegSetValueA(classes_, ".htm", REG_SZ, "DuplixTestPage", 0);
        RegSetValueA(classes_, "DuplixTestPage\\shell\\open\\command", REG_SZ,
                     ("\"" + tests + "shell_recorder.exe\" \"%1\"").c_str(), 0);
    }
    void TearDown() override
    {
        if (classes_ != NULL) {
            RegSetValueA(classes_, ".htm", REG_SZ, oldHtm_.c_str(), 0);
            RegCloseKey(classes_);
        }
        CleanProgramTest::TearDown();
        DeleteFileA(log_.c_str());
        RemoveFolderTree(folder_);
        RemoveFolderTree(copies_);
    }

    std::string RecordedAddress()
    {
        std::ostringstream text;
        text << std::ifstream(log_).rdbuf();
        return text.str();
    }

    std::string folder_, copies_, log_, oldHtm_;
    HKEY classes_ = NULL;
};

TEST_F(CodePage932, ServerHelpAndNotifierPathsNameTheProgramFolder)
{
    Child duplix;
    ASSERT_TRUE(duplix.Start(folder_ + "\\" + kProgramName));
    HWND dlg = WaitForSettingsWindow(duplix.Pid());
    ASSERT_NE(dlg, (HWND)NULL);
    EXPECT_EQ(ReadClassesDefault(kServerKey), folder_ + "\\dxmenu.dll");

    Click(dlg, 1033);  // Help
    EXPECT_TRUE(PumpUntil([&] {
        return CountProcessesNamed("shell_recorder.exe") == 0 && !RecordedAddress().empty();
    }));
    EXPECT_NE(RecordedAddress().find(folder_ + "\\Duplix.htm"), std::string::npos) << RecordedAddress();

    Click(dlg, IDOK);
    EXPECT_TRUE(duplix.WaitEnd(WAIT_BOUND_MS));
    ASSERT_TRUE(PumpUntil(EventExists)) << "the notifier started";
    EXPECT_EQ(ImagePathOf("dxnotify.exe"), folder_ + "\\dxnotify.exe");
}

TEST_F(CodePage932, AListedTreeWhoseFolderNamesEndInThe5CByteIsCopiedIntoFoldersMadeAnew)
{
    // 表, ソ, 能 and 十 all end in the byte 0x5C. The tree's copy and the
    // backup path itself are missing, so every folder of the copy is made.
    std::string src = MakeScratchFolder("dxtree"), tree = src + "\\\x95\x5C", sub = tree + "\\\x83\x5C";
    std::string file = sub + "\\\x94\x5C.txt", backup = copies_ + "\\\x8F\x5C";
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), NULL));
    HANDLE out = CreateFileA(file.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(out, "cp932", 5, &written, NULL));
    CloseHandle(out);
    PutString("BackupPath", backup);
    PutString(ListItem(0).c_str(), tree);
    Child notifier;
    ASSERT_TRUE(notifier.Start(BinPath("dxnotify.exe")));
    std::string copy = backup + "\\" + (char)toupper(file[0]) + file.substr(2);
    EXPECT_TRUE(PumpUntil([&] { return ReadText(copy) == "cp932"; })) << copy;
    StopNotifiers();
    RemoveFolderTree(src);
}

// Shift-JIS: ミ and 円 end in the byte 0x7E, '~': such names are documents,
// and only whole characters make a name clutter.
TEST_F(CodePage932, ClutterIsJudgedByWholeCharacters)
{
    const struct {
        const char *name;
        bool copied;
    } cases[] = {
        {"\x83\x41\x83\x8B\x83\x7E", true},        // アルミ
        {"\x97\x5C\x8E\x5A" "100\x89\x7E", true},  // 予算100円
        {"plan.doc~", false},                       // an editor's backup
        {"A1B2C3D4", false},                        // a spreadsheet's save under way
    };
    std::string src = MakeScratchFolder("dxclutter"), log = copies_ + "\\Duplix.log";
    for (const auto &c : cases)
        ASSERT_TRUE(WriteText(src + "\\" + c.name, c.name)) << c.name;
    PutString(ListItem(0).c_str(), src);
    Child notifier;
    ASSERT_TRUE(notifier.Start(BinPath("dxnotify.exe")));
    // The start line follows the start's look, and every copy it made.
    EXPECT_TRUE(PumpUntil([&] { return ReadText(log).find("Started: 1 entries, 2 files watched.") != std::string::npos; }))
        << ReadText(log);
    for (const auto &c : cases) {
        std::string copy = copies_ + "\\" + (char)toupper(src[0]) + src.substr(2) + "\\" + c.name;
        EXPECT_EQ(ReadText(copy) == c.name, c.copied) << c.name;
    }
    StopNotifiers();
    RemoveFolderTree(src);
}

}  // namespace
