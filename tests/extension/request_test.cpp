// The two commands as the shell runs them: requests reach the settings
// window, which is started when none is open; nothing waits without bound.
#include "extension_fixture.h"

#include <thread>

namespace {

using ExtensionRequests = ExtensionTest;

TEST_F(ExtensionRequests, AddAndRemoveReachTheOpenDialogForEveryFileByOffsetAndByVerb)
{
    Child duplix;
    ASSERT_TRUE(duplix.Start(BinPath(PROGRAM_FILE)));
    HWND dlg = WaitForSettingsWindow(duplix.Pid());
    ASSERT_NE(dlg, (HWND)NULL);
    IContextMenu *menu = MenuFor({names_[1], names_[0]});
    ASSERT_NE(menu, (IContextMenu *)NULL);
    std::vector<std::string> both = {FullPath(names_[0]), FullPath(names_[1])};

    for (Way way : {BY_OFFSET, BY_VERB, BY_WIDE_VERB}) {
        SCOPED_TRACE(way);
        EXPECT_EQ(Invoke(menu, 0, way), S_OK);
        EXPECT_EQ(ListOf(dlg), both);
        EXPECT_TRUE(LabelEditOpen(dlg));
        EXPECT_EQ(Invoke(menu, 1, way), S_OK);
        EXPECT_TRUE(ListOf(dlg).empty());
    }
    menu->Release();
    EXPECT_EQ(CountSettingsWindows(), 1) << "no second program was started";
}

TEST_F(ExtensionRequests, WithNoDialogOpenAddStartsTheProgramWithTheFileAddedAndItsEditOpen)
{
    IContextMenu *menu = MenuFor({names_[1]});
    ASSERT_NE(menu, (IContextMenu *)NULL);

    EXPECT_EQ(Invoke(menu, 0, BY_OFFSET), S_OK);
    menu->Release();
    HWND dlg = FindSettingsWindow();
    ASSERT_NE(dlg, (HWND)NULL) << "the extension waits for the window before it returns";
    EXPECT_EQ(ListOf(dlg), std::vector<std::string>{FullPath(names_[1])});
    EXPECT_TRUE(LabelEditOpen(dlg));
}

std::wstring Wide(const std::string &text)
{
    WCHAR wide[MAX_PATH] = L"";
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH);
    return wide;
}

void MakeFile(const std::wstring &path)
{
    CloseHandle(CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
}

// A path over 259 characters, and a name the ANSI code page cannot hold,
// would reach the list cut or with '?': they are left out.
TEST_F(ExtensionRequests, PathsARequestCannotCarryWholeAreSkippedNotCut)
{
    std::wstring folder = Wide(folder_) + L"\\" + std::wstring(250, L'd');
    CreateDirectoryW((L"\\\\?\\" + folder).c_str(), NULL);
    std::wstring tooLong = folder + L"\\a.txt", foreign = Wide(folder_) + L"\\\x0416\x0443\x043A.txt";
    MakeFile(tooLong);
    MakeFile(foreign);
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, foreign.c_str(), -1, NULL, 0, NULL, &lossy);
    ASSERT_TRUE(lossy) << "the test needs a code page without these letters";
    Child duplix;
    ASSERT_TRUE(duplix.Start(BinPath(PROGRAM_FILE)));
    HWND dlg = WaitForSettingsWindow(duplix.Pid());
    ASSERT_NE(dlg, (HWND)NULL);

    IContextMenu *menu = MenuFrom(ClipboardDataObject({tooLong, Wide(FullPath(names_[0])), foreign}));
    ASSERT_NE(menu, (IContextMenu *)NULL);
    EXPECT_EQ(Invoke(menu, 0, BY_OFFSET), S_OK);
    EXPECT_EQ(ListOf(dlg), std::vector<std::string>{FullPath(names_[0])});
    menu->Release();
    menu = MenuFrom(ClipboardDataObject({tooLong, foreign}), E_FAIL);
    ASSERT_NE(menu, (IContextMenu *)NULL);
    HMENU popup = CreatePopupMenu();
    EXPECT_EQ(menu->QueryContextMenu(popup, 0, 1, 100, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
    DestroyMenu(popup);
    menu->Release();
}

TEST_F(ExtensionRequests, UnknownCommandsSendNothingAndStartNothing)
{
    IContextMenu *menu = MenuFor(names_);
    ASSERT_NE(menu, (IContextMenu *)NULL);
    CMINVOKECOMMANDINFOEX info = {};
    info.cbSize = sizeof(info);
    const char *verbs[] = {MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(0xFFFF), "open", "DuplixAddX", ""};
    for (const char *verb : verbs) {
        info.lpVerb = verb;
        EXPECT_TRUE(FAILED(menu->InvokeCommand((CMINVOKECOMMANDINFO *)&info)));
    }
    info.fMask = CMIC_MASK_UNICODE;
    info.lpVerbW = L"\xFF24uplixAdd";
    EXPECT_TRUE(FAILED(menu->InvokeCommand((CMINVOKECOMMANDINFO *)&info)));
    info.cbSize = sizeof(CMINVOKECOMMANDINFO) - 1;
    info.lpVerb = MAKEINTRESOURCEA(0);
    EXPECT_EQ(menu->InvokeCommand((CMINVOKECOMMANDINFO *)&info), E_INVALIDARG);
    menu->Release();
    EXPECT_EQ(CountSettingsWindows(), 0);
}

// A window with the settings title whose thread never reads its messages
// (looked for with FindWindowA only: GetWindowText would send it a message).
TEST_F(ExtensionRequests, AHungSettingsWindowFailsTheCommandInsteadOfBlockingIt)
{
    IContextMenu *menu = MenuFor(names_);
    ASSERT_NE(menu, (IContextMenu *)NULL);
    HANDLE created = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE release = CreateEventA(NULL, TRUE, FALSE, NULL);
    std::thread owner([&] {
        HWND hung = CreateWindowA("STATIC", SETTINGS_TITLE, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL, NULL, NULL, NULL);
        SetEvent(created);
        WaitForSingleObject(release, INFINITE);
        DestroyWindow(hung);
    });
    WaitForSingleObject(created, WAIT_BOUND_MS);

    EXPECT_NE(FindWindowA(NULL, SETTINGS_TITLE), (HWND)NULL);
    EXPECT_EQ(Invoke(menu, 0, BY_OFFSET), E_FAIL);
    SetEvent(release);
    owner.join();
    menu->Release();
    CloseHandle(created);
    CloseHandle(release);
}

}  // namespace
