// Requests from other programs: dxsend against the real settings window, and
// the extension's registration that every start renews.
#include "program_fixture.h"

#include "support/product_key.h"
#include "support/remote_list.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class Requests : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        dxsend_ = BinPath("dxsend.exe");
        CleanProductKey();
    }
    void TearDown() override { CleanProductKey(); }

    DWORD Send(const std::string &args, std::string *output = NULL)
    {
        std::string ignored;
        return RunConsole(dxsend_, args, output != NULL ? output : &ignored);
    }

    std::string dxsend_;
};

struct Step {
    const char *args;
    Strings entries;
    const char *selected;
    bool editing;
};

TEST_F(Requests, DxsendChangesTheOpenListAndCancelKeepsTheStoredOne)
{
    PutString(ListItem(0).c_str(), "c:\\docs\\a.txt");
    PutString(ListItem(1).c_str(), "c:\\docs\\b.txt");
    PutString(ListItem(2).c_str(), "c:\\docs\\c.txt");
    char relative[MAX_PATH] = "";
    GetFullPathNameA("rel.txt", MAX_PATH, relative, NULL);
    const Strings abc = {"c:\\docs\\a.txt", "c:\\docs\\b.txt", "c:\\docs\\c.txt"};
    const Step steps[] = {
        {"add c:\\docs\\new.txt", {"c:\\docs\\a.txt", "c:\\docs\\b.txt", "c:\\docs\\c.txt", "c:\\docs\\new.txt"},
         "c:\\docs\\new.txt", true},
        {"ADD C:\\DOCS\\B.TXT", {"c:\\docs\\a.txt", "c:\\docs\\b.txt", "c:\\docs\\c.txt", "c:\\docs\\new.txt"},
         "c:\\docs\\b.txt", true},
        // The user selects the first entry before each of these.
        {"remove C:\\Docs\\C.txt", {"c:\\docs\\a.txt", "c:\\docs\\b.txt", "c:\\docs\\new.txt"}, "c:\\docs\\new.txt",
         false},
        {"remove c:\\docs\\zzz.txt", {"c:\\docs\\a.txt", "c:\\docs\\b.txt", "c:\\docs\\new.txt"}, "c:\\docs\\a.txt",
         false},
        {"add \"rel.txt\"", {}, relative, true},
    };
    Child duplix;
    HWND dlg = Open(duplix);
    ASSERT_NE(dlg, (HWND)NULL);
    HWND list = GetDlgItem(dlg, 1001);
    for (const Step &step : steps) {
        SCOPED_TRACE(step.args);
        // Home in the list selects its first entry, as the user would.
        PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);
        ASSERT_TRUE(PumpUntil([&] { return RemoteListSelected(list) == 0; }));
        EXPECT_EQ(Send(step.args), 0u);
        Strings entries = RemoteListEntries(list);
        if (!step.entries.empty()) {
            EXPECT_EQ(entries, step.entries);
        }
        int sel = RemoteListSelected(list);
        ASSERT_GE(sel, 0);
        EXPECT_EQ(entries[sel], step.selected);
        EXPECT_EQ(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0) != 0, step.editing);
        HWND edit = (HWND)SendMessageA(list, LVM_GETEDITCONTROL, 0, 0);
        if (edit != NULL)
            SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    EXPECT_EQ(CloseWithCancel(duplix, dlg), 0u);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(GetString(ListItem(i).c_str()), abc[i]);
    EXPECT_FALSE(HasValue(ListItem(3).c_str()));
}

TEST_F(Requests, DxsendWithoutAWindowOrWithBadArgumentsSaysSo)
{
    std::string output;
    EXPECT_EQ(Send("add c:\\x.txt", &output), 2u);
    EXPECT_EQ(output, "No VELT Duplix 98 Settings window is open.\r\n");
    const std::string bad[] = {"", "add", "copy c:\\x.txt", "add c:\\x.txt c:\\y.txt",
                               "add c:\\" + std::string(260, 'y')};
    for (const std::string &args : bad) {
        SCOPED_TRACE(args);
        EXPECT_EQ(Send(args, &output), 1u);
        EXPECT_NE(output.find("usage: dxsend add PATH | dxsend remove PATH"), std::string::npos) << output;
    }
}

// Every value below an HKEY_CLASSES_ROOT key, and its subkeys, as text.
std::string DumpClassesKey(const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing " + path + ">";
    std::string out;
    char name[256], data[512];
    for (DWORD i = 0;; i++) {
        DWORD nameLen = sizeof(name), dataLen = sizeof(data) - 1, type = 0;
        if (RegEnumValueA(key, i, name, &nameLen, NULL, &type, (BYTE *)data, &dataLen) != ERROR_SUCCESS)
            break;
        out += path + "|" + name + "|" + std::to_string(type) + "|" + std::string(data, dataLen) + "\n";
    }
    for (DWORD i = 0;; i++) {
        DWORD nameLen = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &nameLen, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        out += DumpClassesKey(path + "\\" + name);
    }
    RegCloseKey(key);
    return out;
}

const char CLSID_KEY[] = "CLSID\\{00000000-0002-5645-4c54-0020e48020af}";
const char HANDLER_KEY[] = "*\\shellex\\ContextMenuHandlers\\Duplix";

std::string Registration()
{
    return DumpClassesKey(HANDLER_KEY) + DumpClassesKey(CLSID_KEY);
}

void RemoveRegistration()
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, HANDLER_KEY);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, HANDLER_KEY);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, CLSID_KEY);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, CLSID_KEY);
}

std::string Expected(const std::string &folder)
{
    // Each text is stored with its zero.
    return std::string(HANDLER_KEY) + "||1|{00000000-0002-5645-4c54-0020e48020af}" + '\0' + "\n" + CLSID_KEY +
           "||1|VELT Duplix Context Menu Extension" + '\0' + "\n" + CLSID_KEY + "\\InProcServer32||1|" + folder +
           "\\dxmenu.dll" + '\0' + "\n" + CLSID_KEY + "\\InProcServer32|ThreadingModel|1|Apartment" + '\0' + "\n";
}

std::string FolderOf(const std::string &file)
{
    char full[MAX_PATH] = "";
    GetFullPathNameA(file.c_str(), MAX_PATH, full, NULL);
    *strrchr(full, '\\') = '\0';
    return full;
}

TEST_F(Requests, EveryStartRegistersTheExtensionInItsOwnFolder)
{
    RemoveRegistration();
    Child first;
    HWND dlg = Open(first);
    ASSERT_NE(dlg, (HWND)NULL);
    const std::string once = Registration();
    EXPECT_EQ(once, Expected(FolderOf(duplix_)));

    // A start that only brings the open window to the front registers too,
    // and a second registration adds nothing.
    RemoveRegistration();
    Child second;
    ASSERT_TRUE(second.Start(duplix_));
    ASSERT_TRUE(second.WaitEnd(WAIT_BOUND_MS));
    EXPECT_EQ(second.ExitCode(), 1u);
    EXPECT_EQ(Registration(), once);
    EXPECT_EQ(CloseWithCancel(first, dlg), 0u);

    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "Moved Duplix";
    const std::string moved = folder + "\\Duplix.exe";
    CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_TRUE(CopyFileA(duplix_.c_str(), moved.c_str(), FALSE));
    Child third;
    ASSERT_TRUE(third.Start(moved));
    HWND movedDlg = WaitForSettingsWindow(third.Pid());
    ASSERT_NE(movedDlg, (HWND)NULL);
    EXPECT_EQ(Registration(), Expected(FolderOf(moved)));
    EXPECT_EQ(CloseWithCancel(third, movedDlg), 0u);
    DeleteFileA(moved.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
