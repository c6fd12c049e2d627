// The real program's Help opens the help document that lies beside it, and
// its About box says "Version " alone when its version cannot be read.
#include "program_fixture.h"

#include "res/resource.h"
#include "support/modal.h"
#include "support/shell_handler.h"

namespace {

using HelpAndAbout = ProgramTest;

std::string FullPath(const std::string &path)
{
    char full[MAX_PATH] = "";
    GetFullPathNameA(path.c_str(), sizeof(full), full, NULL);
    return full;
}

TEST_F(HelpAndAbout, HelpOpensTheDocumentBesideTheProgram)
{
    std::string document = FullPath(BinPath("Duplix.htm"));
    ASSERT_NE(GetFileAttributesA(document.c_str()), INVALID_FILE_ATTRIBUTES) << "the build puts it there";
    RecordedLaunches launches("htmlfile", ".htm");
    Child child;
    HWND dlg = Open(child);
    ASSERT_NE(dlg, (HWND)NULL);
    Click(dlg, IDC_HELP);
    std::vector<std::string> texts = launches.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(lstrcmpiA(texts[0].c_str(), document.c_str()), 0) << texts[0];
    EXPECT_EQ(CloseWithCancel(child, dlg), 0u);
}

// Makes a copy of the program whose version block keeps its strings under
// another language, so that the fixed path to the product version finds none.
bool CopyWithUnreadableVersion(const std::string &from, const std::string &to)
{
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        return false;
    HMODULE module = LoadLibraryExA(to.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(1), RT_VERSION) : NULL;
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    std::string block;
    if (loaded != NULL)
        block.assign((const char *)LockResource(loaded), SizeofResource(module, found));
    if (module != NULL)
        FreeLibrary(module);
    // Keys are UTF-16 text: the table "000004b0" becomes "040904b0".
    const std::string table((const char *)L"000004b0", 16);
    size_t at = block.find(table);
    if (at == std::string::npos)
        return false;
    block.replace(at, table.size(), std::string((const char *)L"040904b0", 16));
    HANDLE update = BeginUpdateResourceA(to.c_str(), FALSE);
    if (update == NULL)
        return false;
    UpdateResourceA(update, RT_VERSION, MAKEINTRESOURCEA(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &block[0],
                    (DWORD)block.size());
    return EndUpdateResourceA(update, FALSE) != FALSE;
}

bool HasProductVersion(const std::string &exe)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    std::string block(size, '\0');
    void *value = NULL;
    UINT len = 0;
    return size != 0 && GetFileVersionInfoA(exe.c_str(), 0, size, &block[0]) &&
           VerQueryValueA(&block[0], "\\StringFileInfo\\000004b0\\ProductVersion", &value, &len);
}

TEST_F(HelpAndAbout, AboutBoxWithAnUnreadableVersionEndsWithVersionAlone)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "duplix unreadable version";
    std::string exe = folder + "\\Duplix.exe";
    CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_TRUE(HasProductVersion(duplix_));
    ASSERT_TRUE(CopyWithUnreadableVersion(duplix_, exe));
    ASSERT_FALSE(HasProductVersion(exe)) << "the copy's product version cannot be read";

    Child child;
    ASSERT_TRUE(child.Start(exe));
    HWND dlg = WaitForSettingsWindow(child.Pid());
    ASSERT_NE(dlg, (HWND)NULL);
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_APP_ICON, STN_CLICKED), (LPARAM)GetDlgItem(dlg, IDC_APP_ICON));
    HWND box = WaitForTopWindow("#32770", "VELT Duplix 98");
    ASSERT_NE(box, (HWND)NULL) << "the About box opens";
    EXPECT_EQ(MessageBoxText(box), " Thank you for using VELT Duplix 98!  \r\n\r\nVersion ");
    PressButton(box, IDOK);
    EXPECT_EQ(CloseWithCancel(child, dlg), 0u);
    DeleteFileA(exe.c_str());
}

}  // namespace
