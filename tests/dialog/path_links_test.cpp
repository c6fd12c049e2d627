// The texts the path's Open, Help and the About box compose, the version
// read, and the About box and link as the dialog runs them.
#include "support/dialog_fixture.h"
#include "support/modal.h"
#include "support/shell_handler.h"

#include "dialog/path_links.h"
#include "dialog/settings_dlg.h"
#include "dialog/shell_ops.h"
#include "res/resource.h"

#include <string>

namespace {

const std::string kNewest = "\\a Last Hour - One per Minute";

std::string NewestCopies(const std::string &backup, int *ok)
{
    char path[MAX_PATH];
    memset(path, 'X', sizeof(path));
    *ok = FormatNewestCopiesPath(backup.c_str(), path, sizeof(path));
    return path;
}

TEST(PathTexts, OpenAppendsTheSubfolderAndRefusesWhatDoesNotFit)
{
    struct Case {
        std::string backup, path;
        int ok;
    } cases[] = {
        {"", kNewest, 1},
        {"C:\\", "C:\\" + kNewest, 1},
        {"D:\\Backup", "D:\\Backup" + kNewest, 1},
        {"c:\\" + std::string(227, 'b'), "c:\\" + std::string(227, 'b') + kNewest, 1},
        {"c:\\" + std::string(228, 'b'), "", 0},
        {"c:\\" + std::string(256, 'b'), "", 0},
    };
    for (const Case &c : cases) {
        int ok = -1;
        EXPECT_EQ(NewestCopies(c.backup, &ok), c.path) << c.backup.size();
        EXPECT_EQ(ok, c.ok) << c.backup.size();
    }
}

TEST(PathTexts, OpenWithAnEmptyPathAndADriveRootPassesTheseToExplorer)
{
    char params[EXPLORER_PARAMS_SIZE] = "";
    int ok = 0;
    ASSERT_TRUE(FormatExplorerParams(NewestCopies("", &ok).c_str(), params, sizeof(params)));
    EXPECT_STREQ(params, "/e,/n,/select,\"\\a Last Hour - One per Minute\"");
    ASSERT_TRUE(FormatExplorerParams(NewestCopies("Q:\\", &ok).c_str(), params, sizeof(params)));
    EXPECT_STREQ(params, "/e,/n,/select,\"Q:\\\\a Last Hour - One per Minute\"");
}

TEST(PathTexts, HelpAddressNamesTheDocumentInTheFolderOrNothing)
{
    char address[MAX_PATH];
    memset(address, 'X', sizeof(address));
    EXPECT_EQ(FormatHelpAddress("D:\\Tools\\Backup", address, sizeof(address)), 1);
    EXPECT_STREQ(address, "file://D:\\Tools\\Backup\\Duplix.htm");

    std::string longest = "c:\\" + std::string(238, 'f');
    EXPECT_EQ(FormatHelpAddress(longest.c_str(), address, sizeof(address)), 1);
    EXPECT_EQ(std::string(address), "file://" + longest + "\\Duplix.htm");
    EXPECT_EQ(strlen(address), 259u);

    memset(address, 'X', sizeof(address));
    EXPECT_EQ(FormatHelpAddress((longest + "f").c_str(), address, sizeof(address)), 0);
    EXPECT_STREQ(address, "") << "a cut address would name another file";
}

TEST(PathTexts, WebPageIsAPageOfTheLinksOwnHost)
{
    EXPECT_STREQ(PRODUCT_WEB_PAGE, "http://velt.example/duplix98/");
}

TEST(ProductVersion, ReadFromTheVersionBlockCutToFitOrNotAtAll)
{
    char version[VERSION_TEXT_SIZE] = "untouched";
    ASSERT_EQ(GetProductVersion(version, sizeof(version)), 1);
    EXPECT_STREQ(version, "1998, 7, 1, 1455");

    char own[MAX_PATH] = "";
    GetModuleFileNameA(NULL, own, sizeof(own));
    char small[10] = "";
    EXPECT_EQ(ReadProductVersion(own, small, sizeof(small)), 1);
    EXPECT_STREQ(small, "1998, 7, ");

    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof(windows));
    for (std::string file : {std::string(windows) + "\\win.ini", std::string("c:\\no such file.exe")}) {
        lstrcpyA(version, "untouched");
        EXPECT_EQ(ReadProductVersion(file.c_str(), version, sizeof(version)), 0) << file;
        EXPECT_STREQ(version, "untouched") << file;
    }
}

TEST(AboutText, PiecesInOrderAndALongVersionCut)
{
    char text[ABOUT_TEXT_SIZE];
    FormatAboutText("", text, sizeof(text));
    EXPECT_STREQ(text, " Thank you for using VELT Duplix 98!  \r\n\r\nVersion ");
    std::string version(49, '9');
    FormatAboutText(version.c_str(), text, sizeof(text));
    EXPECT_EQ(std::string(text), " Thank you for using VELT Duplix 98!  \r\n\r\nVersion " + version);
    char small[30];
    FormatAboutText(version.c_str(), small, sizeof(small));
    EXPECT_STREQ(small, " Thank you for using VELT Dup") << "cut, never overrun";
}

class PathLinks : public SettingsDialog {
protected:
    // The dialog procedure's own answer to a command from the control.
    INT_PTR Result(int id, WORD code)
    {
        return SettingsDlgProc(dlg_, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)Item(id));
    }
};

// Reads the About box's text and closes it with OK.
std::function<void(HWND)> ReadAndClose(std::string *text)
{
    return [text](HWND box) {
        *text = MessageBoxText(box);
        PressButton(box, IDOK);
    };
}

TEST_F(PathLinks, IconShowsTheAboutBoxOnAClickAndOnADoubleClick)
{
    for (WORD code : {(WORD)STN_CLICKED, (WORD)STN_DBLCLK}) {
        std::string text;
        ModalAnswer answer("VELT Duplix 98", "#32770", ReadAndClose(&text));
        EXPECT_EQ(Result(IDC_APP_ICON, code), TRUE) << code;
        ASSERT_TRUE(answer.Finish()) << "the About box came up for code " << code;
        EXPECT_EQ(text, " Thank you for using VELT Duplix 98!  \r\n\r\nVersion 1998, 7, 1, 1455");
    }
    EXPECT_FALSE(Ended());
}

TEST_F(PathLinks, LinkOpensTheWebPageOnAClickOnlySoADoubleClickOpensItOnce)
{
    RecordedLaunches launches("http");
    EXPECT_EQ(Result(IDC_WEB_LINK, STN_CLICKED), FALSE);
    for (WORD code : {(WORD)STN_DBLCLK, (WORD)STN_ENABLE, (WORD)STN_DISABLE})
        EXPECT_EQ(Result(IDC_WEB_LINK, code), TRUE) << code;
    EXPECT_EQ(launches.Texts(), std::vector<std::string>{"http://velt.example/duplix98/"});
    EXPECT_FALSE(Ended());
}

}  // namespace
