// Answers a modal window that the code under test opens, from a second thread.
#include "support/modal.h"

#include "support/wait.h"

struct FindArgs {
    const char *title;
    const char *className;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lParam)
{
    FindArgs *args = (FindArgs *)lParam;
    char text[512] = "";
    char cls[256] = "";
    DWORD pid = 0;

    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd))
        return TRUE;
    GetWindowTextA(hwnd, text, sizeof(text));
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (lstrcmpA(text, args->title) != 0)
        return TRUE;
    if (args->className != NULL && lstrcmpA(cls, args->className) != 0)
        return TRUE;
    args->found = hwnd;
    return FALSE;
}

static HWND FindOwnWindow(const char *title, const char *className)
{
    FindArgs args = {title, className, NULL};

    EnumWindows(MatchWindow, (LPARAM)&args);
    return args.found;
}

ModalAnswer::ModalAnswer(const char *title, const char *className, std::function<void(HWND)> answer)
{
    std::string t = title;
    std::string c = className ? className : "";
    bool anyClass = className == NULL;

    worker_ = std::thread([this, t, c, anyClass, answer] {
        HWND found = NULL;
        PumpUntil([&] { return (found = FindOwnWindow(t.c_str(), anyClass ? NULL : c.c_str())) != NULL; });
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

void PressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}
