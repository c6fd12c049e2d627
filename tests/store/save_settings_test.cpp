// Saving the settings from the real dialog's controls: the path with its
// default, the list in the order shown, and the stale tail removed up to the
// first missing number.
#include "store_fixture.h"

#include "dialog/settings_dlg.h"
#include "res/resource.h"
#include "store/reg_value.h"
#include "store/settings_store.h"

#include <commctrl.h>

namespace {

class SavedSettings : public DialogOverCleanKey {
protected:
    // Adds an entry as the list's own insertion does; the sorted list
    // places it.
    void Add(const std::string &text)
    {
        std::string copy = text;
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = (int)SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0);
        item.pszText = &copy[0];
        ASSERT_GE(SendMessageA(List(), LVM_INSERTITEMA, 0, (LPARAM)&item), 0) << text;
    }
    void AddNumbered(int count)
    {
        for (int i = 0; i < count; i++)
            Add("C:\\Files\\entry" + std::to_string(100 + i) + ".txt");
    }
    void SetPath(const std::string &path) { SetDlgItemTextA(dlg_, IDC_BACKUP_PATH, path.c_str()); }
    static void StoreOld(std::initializer_list<int> numbers)
    {
        for (int i : numbers)
            PutString(ListItem(i).c_str(), "C:\\Old\\" + std::to_string(i));
    }
    // Saves, answering any box that should not come; the result.
    int Save()
    {
        NoBox none;
        int result = SaveSettings();
        EXPECT_TRUE(none.Stop().empty()) << "a box came";
        return result;
    }
    // The stored list values with these numbers, in order.
    static std::vector<std::string> Stored(int from, int to)
    {
        std::vector<std::string> out;
        for (int i = from; i <= to; i++)
            out.push_back(GetString(ListItem(i).c_str()));
        return out;
    }
};

TEST_F(SavedSettings, EntriesAreStoredFromListItem0InTheOrderShown)
{
    Add("C:\\b.txt");
    Add("C:\\c.txt");
    Add("C:\\a.txt");
    std::vector<std::string> shown = Entries();
    ASSERT_EQ(shown, (std::vector<std::string>{"C:\\a.txt", "C:\\b.txt", "C:\\c.txt"})) << "the list sorts";
    SetPath("D:\\Copies");

    EXPECT_EQ(Save(), 1);
    EXPECT_EQ(Stored(0, 2), shown);
    EXPECT_EQ(GetString("ListItem3"), "<missing>");
    EXPECT_EQ(GetString("BackupPath"), "D:\\Copies");
    EXPECT_EQ(StoredValueCount(), 4);
}

TEST_F(SavedSettings, GrownListCreatesTheNewDecimalNumbersAndStopsAtTheFirstMissingOne)
{
    StoreOld({0, 1, 13});
    AddNumbered(12);
    EXPECT_EQ(Save(), 1);
    EXPECT_EQ(Stored(0, 11), Entries());
    EXPECT_EQ(GetString("ListItem10"), "C:\\Files\\entry110.txt") << "no leading zeros";
    EXPECT_EQ(GetString("ListItem12"), "<missing>");
    EXPECT_EQ(GetString("ListItem13"), "C:\\Old\\13") << "the removal stopped at ListItem12";
}

TEST_F(SavedSettings, ShrunkListLosesItsTailUpToTheFirstMissingNumber)
{
    StoreOld({0, 1, 2, 3, 4, 6});
    AddNumbered(3);
    EXPECT_EQ(Save(), 1);
    EXPECT_EQ(Stored(0, 2), Entries());
    EXPECT_EQ(Stored(3, 5), (std::vector<std::string>{"<missing>", "<missing>", "<missing>"}));
    EXPECT_EQ(GetString("ListItem6"), "C:\\Old\\6") << "the removal stopped at ListItem5";
}

TEST_F(SavedSettings, EmptyListResultsIn0AndDeletesTheListValuesUpToTheFirstGap)
{
    StoreOld({0, 1, 2, 4});
    SetPath("D:\\Copies");
    EXPECT_EQ(Save(), 0);
    EXPECT_EQ(Stored(0, 3), (std::vector<std::string>{"<missing>", "<missing>", "<missing>", "<missing>"}));
    EXPECT_EQ(GetString("ListItem4"), "C:\\Old\\4");
    EXPECT_EQ(GetString("BackupPath"), "D:\\Copies") << "the path is written all the same";
}

TEST_F(SavedSettings, StoredValuesWithAGapKeepTheValuePastTheGap)
{
    StoreOld({0, 1, 3});
    AddNumbered(2);
    EXPECT_EQ(Save(), 1);
    EXPECT_EQ(Stored(0, 1), Entries());
    EXPECT_EQ(GetString("ListItem2"), "<missing>");
    EXPECT_EQ(GetString("ListItem3"), "C:\\Old\\3");
}

TEST_F(SavedSettings, EmptyPathFieldIsStoredAsTheDefaultPath)
{
    SetPath("");
    AddNumbered(1);
    EXPECT_EQ(Save(), 1);
    EXPECT_EQ(GetString("BackupPath"), "C:\\Duplix Path");
}

TEST_F(SavedSettings, PathAndEntryOf259CharactersAreStoredWholeAndReadBack)
{
    std::string path = "D:\\" + std::string(255, 'p') + "\\end";
    path.resize(259);
    std::string entry = "C:\\" + std::string(256, 'e');
    SetPath(path);
    Add(entry);
    EXPECT_EQ(Save(), 1);
    EXPECT_EQ(GetString("BackupPath"), path);
    EXPECT_EQ(GetString("ListItem0"), entry);
    char buffer[MAX_PATH];
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "BackupPath", buffer), 1);
    EXPECT_EQ(std::string(buffer), path);
}

TEST_F(SavedSettings, LongerPathIsCutTo259Characters)
{
    std::string path = "D:\\" + std::string(300, 'p');
    SetPath(path);
    EXPECT_EQ(Save(), 0);
    EXPECT_EQ(GetString("BackupPath"), path.substr(0, 259));
}

TEST_F(SavedSettings, SavingOnAFreshAccountCreatesTheKeyWithThePathAndTheList)
{
    AddNumbered(2);
    EXPECT_EQ(Save(), 1);
    EXPECT_TRUE(ProductKeyExists());
    EXPECT_EQ(GetString("BackupPath"), "C:\\Duplix Path");
    EXPECT_EQ(Stored(0, 1), Entries());
    EXPECT_EQ(StoredValueCount(), 3);
}

TEST_F(SavedSettings, OtherValuesOfTheKeyStay)
{
    ASSERT_EQ(WriteRegDword(HKEY_CURRENT_USER, "WndLeft", 40), 1);
    ASSERT_EQ(WriteRegDword(HKEY_CURRENT_USER, "WndTop", -1), 1);
    EXPECT_EQ(Save(), 0);
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "WndLeft"), 40);
    RawValue top;
    EXPECT_TRUE(FetchRaw("WndTop", &top));
    EXPECT_EQ(StoredValueCount(), 3);
}

// The product key's parent made volatile: the key, which is not, cannot be
// created under it, and the first write of the save shows its error box.
// While the box is up, requests change the list; then the registry is whole
// again. The save stores the list that was shown when it began.
TEST_F(SavedSettings, RequestsDuringAWriteErrorBoxChangeNothingThatIsSaved)
{
    const char *parent = "Software\\VELT Software";
    Add("C:\\b.txt");
    Add("C:\\c.txt");
    Add("C:\\d.txt");
    std::vector<std::string> shown = Entries();
    HKEY key = NULL;
    CleanProductKey();  // the dialog's reads created it
    LONG gone = RegDeleteKeyA(HKEY_CURRENT_USER, parent);
    ASSERT_TRUE(gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND) << gone;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, parent, 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                              NULL),
              ERROR_SUCCESS);
    RegCloseKey(key);
    auto request = [this](ULONG_PTR code, const char *path) {
        COPYDATASTRUCT cds = {code, (DWORD)strlen(path) + 1, (PVOID)path};
        SendMessageA(dlg_, WM_COPYDATA, 0, (LPARAM)&cds);
    };
    std::string boxText;
    ModalAnswer box("VELT Duplix 98", "#32770", [&](HWND found) {
        boxText = MessageBoxText(found);
        request(2, "C:\\b.txt");
        request(1, "C:\\a.txt");
        RegDeleteKeyA(HKEY_CURRENT_USER, parent);
        PressButton(found, IDOK);
    });
    EXPECT_EQ(SaveSettings(), 1);
    ASSERT_TRUE(box.Finish()) << "no error box came";
    EXPECT_NE(boxText.find("Can not open key"), std::string::npos) << boxText;
    EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\a.txt", "C:\\c.txt", "C:\\d.txt"})) << "requests were taken";
    EXPECT_EQ(Stored(0, 2), shown);
    EXPECT_EQ(GetString("ListItem3"), "<missing>");
}

}  // namespace
