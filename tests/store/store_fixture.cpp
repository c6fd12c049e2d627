// The product key of the test prefix, plain access to it, and the store's
// error boxes as the user sees them.
#include "store_fixture.h"

#include "support/wait.h"

#include <vector>

#define BOX_TITLE "VELT Duplix 98"

void DeleteProductKey()
{
    LONG rc = RegDeleteTreeA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY);
    ASSERT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) << rc;
}

bool ProductKeyExists()
{
    HKEY key;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

int StoredValueCount()
{
    HKEY key;
    DWORD values = 0;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return (int)values;
}

void StoreRaw(const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    LONG rc;

    rc = RegCreateKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
    ASSERT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, (const BYTE *)data, size), ERROR_SUCCESS) << name;
    RegCloseKey(key);
}

void StoreText(const char *name, const std::string &text)
{
    StoreRaw(name, REG_SZ, text.c_str(), (DWORD)text.size() + 1);
}

bool FetchRaw(const char *name, RawValue *value)
{
    HKEY key;
    std::vector<char> data(70000);
    DWORD size = (DWORD)data.size();
    LONG rc;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    rc = RegQueryValueExA(key, name, NULL, &value->type, (BYTE *)data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return false;
    value->bytes.assign(data.data(), size);
    return true;
}

std::string FetchText(const char *name)
{
    RawValue value;

    if (!FetchRaw(name, &value))
        return "<missing>";
    if (value.type != REG_SZ)
        return "<type " + std::to_string(value.type) + ">";
    if (value.bytes.empty() || value.bytes.back() != '\0')
        return "<unterminated>";
    return value.bytes.substr(0, value.bytes.size() - 1);
}

std::string ListItem(int index)
{
    return "ListItem" + std::to_string(index);
}

std::string SystemText(DWORD code)
{
    char *text = NULL;
    DWORD len = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                   FORMAT_MESSAGE_ALLOCATE_BUFFER,
                               NULL, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0, NULL);
    std::string out = len > 0 && text != NULL ? std::string(text, len) : std::string();

    if (text != NULL)
        LocalFree(text);
    return out;
}

// The system's handle list (SystemHandleInformation), as handle viewers read it.
struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};
typedef LONG(NTAPI *QuerySystemInformation)(ULONG, PVOID, ULONG, PULONG);

int OwnHandleCount()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    QuerySystemInformation query =
        (QuerySystemInformation)(void *)GetProcAddress(ntdll, "NtQuerySystemInformation");
    std::vector<BYTE> buffer(1 << 16);
    ULONG got = 0;
    LONG status;
    int n = 0;

    if (query == NULL)
        return -1;
    // STATUS_INFO_LENGTH_MISMATCH: the list did not fit.
    while ((status = query(16, buffer.data(), (ULONG)buffer.size(), &got)) == (LONG)0xC0000004)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const HandleList *list = (const HandleList *)buffer.data();
    for (ULONG i = 0; i < list->count; i++)
        if (list->entries[i].ownerPid == GetCurrentProcessId())
            n++;
    return n;
}

void ProductKeyTest::SetUp()
{
    DeleteProductKey();
    ASSERT_FALSE(ProductKeyExists());
}

void ProductKeyTest::TearDown()
{
    DeleteProductKey();
}

void DialogOverCleanKey::SetUp()
{
    DeleteProductKey();
    ASSERT_FALSE(ProductKeyExists());
    SettingsDialog::SetUp();
}

void DialogOverCleanKey::TearDown()
{
    SettingsDialog::TearDown();
    DeleteProductKey();
}

ErrorBox::ErrorBox()
    : answer_(BOX_TITLE, "#32770", [this](HWND box) {
          Read(box);
          PressButton(box, IDOK);
      })
{
}

BoxSeen ErrorBox::Finish()
{
    seen_.found = answer_.Finish();
    return seen_;
}

static HWND IconOf(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(child, cls, sizeof(cls));
        if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return child;
    }
    return NULL;
}

static int CountButtons(HWND box)
{
    int n = 0;

    for (HWND child = GetWindow(box, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(child, cls, sizeof(cls));
        if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(child))
            n++;
    }
    return n;
}

void ErrorBox::Read(HWND box)
{
    HWND icon = IconOf(box);
    HWND ok = GetDlgItem(box, IDOK);

    seen_.text = MessageBoxText(box);
    HICON shown = icon != NULL ? (HICON)SendMessageA(icon, STM_GETICON, 0, 0) : NULL;
    seen_.errorIcon = shown != NULL && shown == LoadIconA(NULL, IDI_ERROR);
    seen_.onlyOk = ok != NULL && WindowText(ok) == "OK" && CountButtons(box) == 1;
    seen_.owned = GetWindow(box, GW_OWNER) != NULL;
    seen_.foreground = GetForegroundWindow() == box;
}

static HWND FindOwnBox()
{
    HWND box = NULL;

    while ((box = FindWindowExA(NULL, box, "#32770", BOX_TITLE)) != NULL) {
        DWORD pid = 0;
        GetWindowThreadProcessId(box, &pid);
        if (pid == GetCurrentProcessId() && IsWindowVisible(box))
            return box;
    }
    return NULL;
}

NoBox::NoBox()
{
    worker_ = std::thread([this] {
        // Bounded by the test's own time limit; ends when told to stop.
        PumpUntil(
            [this] {
                HWND box = FindOwnBox();
                if (box != NULL) {
                    texts_.push_back(MessageBoxText(box));
                    PressButton(box, IDOK);
                    PumpUntil([box] { return !IsWindowVisible(box); });
                }
                return stop_.load();
            },
            10 * 60 * 1000);
    });
}

NoBox::~NoBox()
{
    Stop();
}

std::vector<std::string> NoBox::Stop()
{
    stop_ = true;
    if (worker_.joinable())
        worker_.join();
    return texts_;
}
