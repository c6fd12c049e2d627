// Answers a modal window that the code under test opens, from a second thread.
#include "support/modal.h"

#include "support/wait.h"

#include <commctrl.h>

struct FindArgs {
    const std::function<bool(HWND)> *match;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lParam)
{
    FindArgs *args = (FindArgs *)lParam;
    DWORD pid = 0;

    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd) || !(*args->match)(hwnd))
        return TRUE;
    args->found = hwnd;
    return FALSE;
}

static HWND FindOwnWindow(const std::function<bool(HWND)> &match)
{
    FindArgs args = {&match, NULL};

    EnumWindows(MatchWindow, (LPARAM)&args);
    return args.found;
}

ModalAnswer::ModalAnswer(const char *title, const char *className, std::function<void(HWND)> answer)
    : ModalAnswer(
          [t = std::string(title), c = std::string(className ? className : ""), anyClass = className == NULL](
              HWND hwnd) {
              char text[512] = "";
              char cls[256] = "";
              GetWindowTextA(hwnd, text, sizeof(text));
              GetClassNameA(hwnd, cls, sizeof(cls));
              return t == text && (anyClass || c == cls);
          },
          answer)
{
}

ModalAnswer::ModalAnswer(std::function<bool(HWND)> match, std::function<void(HWND)> answer)
{
    worker_ = std::thread([this, match, answer] {
        HWND found = NULL;
        PumpUntil([&] { return (found = FindOwnWindow(match)) != NULL; });
        if (found != NULL) {
            answer(found);
            answered_ = true;
        }
    });
}

ModalAnswer::~ModalAnswer()
{
    Finish();
}

bool ModalAnswer::Finish()
{
    if (!joined_) {
        worker_.join();
        joined_ = true;
    }
    return answered_;
}

std::string WindowText(HWND hwnd)
{
    char text[4096] = "";

    SendMessageA(hwnd, WM_GETTEXT, sizeof(text), (LPARAM)text);
    return text;
}

std::string MessageBoxText(HWND box)
{
    // The message is the static control with id 0xFFFF in Windows and Wine.
    HWND text = GetDlgItem(box, 0xFFFF);

    return text ? WindowText(text) : std::string();
}

HWND FileNameBox(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, 0x47C);
    HWND edit = (HWND)SendMessageA(combo, CBEM_GETEDITCONTROL, 0, 0);

    if (edit == NULL)
        edit = FindWindowExA(FindWindowExA(combo, NULL, "ComboBox", NULL), NULL, "Edit", NULL);
    return edit != NULL ? edit : GetDlgItem(dialog, 0x480);
}

void PressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}
