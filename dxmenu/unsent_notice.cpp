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

void ShowUnsentNotice(DWORD code, int unsent, int count, int why, int skipped)
{
    // Three numbers of at most 11 characters and fixed words: far below
    // the sizes.
    char text[384] = "", names[96] = "";

    if (skipped > 0)
        wsprintfA(names, "%d %s too long or %s letters that cannot be passed on", skipped,
                  skipped == 1 ? "name is" : "names are", skipped == 1 ? "holds" : "hold");
    wsprintfA(text, "%d of %d files were not %s the " PRODUCT_TITLE " list: %s%s%s%s.", unsent, count,
              code == REQUEST_REMOVE_ITEM ? "removed from" : "added to", why != 0 ? "the settings window " : "",
              why != 0 ? WhyText(why) : "", why != 0 && skipped > 0 ? "; " : "", names);
    // No owner: Explorer's window may be gone, and must not wait for the box.
    // Topmost and in front, or it would open behind the window the user is in.
    MessageBoxA(NULL, text, PRODUCT_TITLE, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST);
}
