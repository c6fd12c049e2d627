// The one message box of a command whose requests did not all arrive.
#include "dxmenu/requests.h"

#include "app/program.h"

static const char *WhyText(int why)
{
    switch (why) {
    case STOP_NO_ANSWER:
        return "did not answer";
    case STOP_CLOSED:
        return "was closed";
    }
    return "could not be started";
}

void ShowUnsentNotice(DWORD code, int unsent, int count, int why)
{
    // Two numbers of at most 11 characters and fixed words: far below 256.
    char text[256] = "";

    wsprintfA(text, "%d of %d files were not %s the " PRODUCT_TITLE " list: the settings window %s.", unsent,
              count, code == REQUEST_REMOVE_ITEM ? "removed from" : "added to", WhyText(why));
    // No owner: Explorer's window may be gone, and must not wait for the box.
    // Topmost and in front, or it would open behind the window the user is in.
    MessageBoxA(NULL, text, PRODUCT_TITLE, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST);
}
