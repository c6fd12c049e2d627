// Answers a modal window that the code under test opens, as a person would:
// a second thread waits for the window and then acts on it.
#ifndef TEST_MODAL_H
#define TEST_MODAL_H

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

class ModalAnswer {
public:
    // Waits for a window of this process with the given title (and class,
    // unless NULL), then calls answer(window) on the helper thread.
    ModalAnswer(const char *title, const char *className, std::function<void(HWND)> answer);
    // Waits for a visible top-level window of this process that match accepts.
    ModalAnswer(std::function<bool(HWND)> match, std::function<void(HWND)> answer);
    ~ModalAnswer();

    // Joins the helper; true when the window was found and answered.
    bool Finish();

private:
    std::thread worker_;
    bool answered_ = false;
    bool joined_ = false;
};

// The text of a window or control, read with WM_GETTEXT.
std::string WindowText(HWND hwnd);

// The static text of a message box (its message), or "" when none.
std::string MessageBoxText(HWND box);

// The file name box of a common Open or Save dialog: Wine's is the edit in
// the combo box cmb13, or edt1 for hooked or templated dialogs.
HWND FileNameBox(HWND dialog);

// Presses a button of a dialog by its identifier, as a click would.
void PressButton(HWND dialog, int id);

#endif
