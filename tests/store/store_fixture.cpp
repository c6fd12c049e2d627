// The product key of the test prefix, plain access to it, and the store's
// error boxes as the user sees them.
#include "store_fixture.h"

#include "support/wait.h"

#include <vector>

#define BOX_TITLE "VELT Duplix 98"

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
    CleanProductKey();
    ASSERT_FALSE(ProductKeyExists());
}

void ProductKeyTest::TearDown()
{
    CleanProductKey();
}

void DialogOverCleanKey::SetUp()
{
    // The dialog's fixture cleans the key before the dialog opens.
    SettingsDialog::SetUp();
}

void DialogOverCleanKey::TearDown()
{
    SettingsDialog::TearDown();
    CleanProductKey();
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
