// The texts the path's Open, Help and the About box compose, the version
// read, and the About box and web link as the dialog runs them.
#include "support/dialog_fixture.h"
#include "support/modal.h"
#include "support/process.h"
#include "support/wait.h"

#include "dialog/path_links.h"
#include "dialog/settings_dlg.h"
#include "dialog/shell_ops.h"
#include "res/resource.h"

#include <fstream>
#include <sstream>

namespace {

const std::string kNewest = "\\a Last Hour - One per Minute";
const std::string kThanks = " Thank you for using VELT Duplix 98!  \r\n\r\nVersion ";

TEST(PathTexts, OpenPassesTheSubfolderToExplorerOrNothingWhenItDoesNotFit)
{
    std::string long230 = "c:\\" + std::string(227, 'b');
    struct Case {
        std::string backup, params;
    } cases[] = {
        {"", "/e,/n,/select,\"" + kNewest + "\""},
        {"Q:\\", "/e,/n,/select,\"Q:\\" + kNewest + "\""},
        {long230, "/e,/n,/select,\"" + long230 + kNewest + "\""},
        {long230 + "b", ""},
    };
    for (const Case &c : cases) {
        char path[MAX_PATH] = "", params[EXPLORER_PARAMS_SIZE] = "";
        EXPECT_EQ(FormatNewestCopiesPath(c.backup.c_str(), path, sizeof(path)), c.params.empty() ? 0 : 1);
        if (path[0] != '\0')
            FormatExplorerParams(path, params, sizeof(params));
        EXPECT_EQ(params, c.params) << c.backup.size();
    }
}

TEST(PathTexts, HelpAddressNamesTheDocumentInTheFolderOrNothing)
{
    std::string longest = "c:\\" + std::string(238, 'f');
    char address[MAX_PATH] = "";
    EXPECT_EQ(FormatHelpAddress("D:\\Tools\\Backup", address, sizeof(address)), 1);
    EXPECT_STREQ(address, "file://D:\\Tools\\Backup\\Duplix.htm");
    EXPECT_EQ(FormatHelpAddress(longest.c_str(), address, sizeof(address)), 1);
    EXPECT_EQ(address, "file://" + longest + "\\Duplix.htm");
    EXPECT_EQ(FormatHelpAddress((longest + "f").c_str(), address, sizeof(address)), 0);
    EXPECT_STREQ(address, "") << "a cut address would name another file";
}

TEST(AboutText, VersionReadOrLeftOutAndTheTextCutNeverOverrun)
{
    char version[VERSION_TEXT_SIZE] = "", windows[MAX_PATH] = "", text[ABOUT_TEXT_SIZE] = "", small[30];
    GetWindowsDirectoryA(windows, sizeof(windows));
    EXPECT_EQ(ReadProductVersion((std::string(windows) + "\\win.ini").c_str(), version, sizeof(version)), 0);
    EXPECT_STREQ(version, "") << "untouched";
    FormatAboutText(version, text, sizeof(text));
    EXPECT_EQ(text, kThanks);
    EXPECT_EQ(GetProductVersion(version, 10), 1);
    EXPECT_STREQ(version, "1998, 7, ") << "a long version is cut";
    FormatAboutText(version, small, sizeof(small));
    EXPECT_STREQ(small, " Thank you for using VELT Dup");
}

class PathLinks : public SettingsDialog {
protected:
    INT_PTR Result(int id, WORD code)
    {
        return SettingsDlgProc(dlg_, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)Item(id));
    }
};

TEST_F(PathLinks, IconShowsTheAboutBoxWithTheVersionOnAClickAndADoubleClick)
{
    for (WORD code : {(WORD)STN_CLICKED, (WORD)STN_DBLCLK}) {
        std::string text;
        ModalAnswer answer("VELT Duplix 98", "#32770", [&text](HWND box) {
            text = MessageBoxText(box);
            PressButton(box, IDOK);
        });
        EXPECT_EQ(Result(IDC_APP_ICON, code), TRUE);
        ASSERT_TRUE(answer.Finish()) << "the About box came up for code " << code;
        EXPECT_EQ(text, kThanks + "1998, 7, 1, 1455");
    }
}

// The shell's handler of http addresses starts the recorder meanwhile (the
// machine's classes: Wine reads no per-user ones); then it is put back.
TEST_F(PathLinks, LinkOpensThePageOnAClickOnlySoADoubleClickOpensItOnce)
{
    const char key[] = "Software\\Classes\\http\\shell\\open\\command";
    std::string tests = BinPath("").substr(0, BinPath("").find("\\..\\bin")) + "\\";
    std::string log = tests + "shell_recorder.log", opened;
    char old[1024] = "";
    LONG oldSize = sizeof(old);
    RegQueryValueA(HKEY_LOCAL_MACHINE, key, old, &oldSize);
    RegSetValueA(HKEY_LOCAL_MACHINE, key, REG_SZ, ("\"" + tests + "shell_recorder.exe\" \"%1\"").c_str(), 0);
    DeleteFileA(log.c_str());

    EXPECT_EQ(Result(IDC_WEB_LINK, STN_CLICKED), FALSE);
    for (WORD code : {(WORD)STN_DBLCLK, (WORD)STN_ENABLE, (WORD)STN_DISABLE})
        EXPECT_EQ(Result(IDC_WEB_LINK, code), TRUE) << code;
    PumpUntil([&] {
        std::ostringstream text;
        text << std::ifstream(log).rdbuf();
        opened = text.str();
        return CountProcessesNamed("shell_recorder.exe") == 0 && !opened.empty();
    });
    RegSetValueA(HKEY_LOCAL_MACHINE, key, REG_SZ, old, 0);
    DeleteFileA(log.c_str());
    EXPECT_EQ(opened, "http://velt.example/duplix98/\n") << "opened once";
}

}  // namespace
