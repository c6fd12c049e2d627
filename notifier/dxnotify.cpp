// The notifier's start and end: once its turn has come, watches and copies
// the backup list until it must end.
#include "notifier/notifier.h"
#include "notifier/show/show.h"
#include "notifier/trouble/trouble.h"
#include "notifier/watch/watch.h"

#include "store/reg_value.h"

// The notifier's arithmetic is integer only. The runtime's default handler
// for a failed floating-point function writes to a console the notifier
// never has: this one, which leaves any such error to the default, keeps
// it and its texts out of the program.
struct _exception;
extern "C" int __cdecl _matherr(struct _exception *error)
{
    (void)error;
    return 0;
}

static void WatchAndCopy(void)
{
    WatchList list;

    StartTrayIcon();
    // Settings are read only now, so the last notifier started works from
    // the last settings stored.
    LoadWatchList(&list);
    // The disk's looks wake the loop through the event the watching makes.
    if (StartWatching(&list) && StartDiskWatch(&list))
        RunNotifier(&list);
    LogStart(&list);
    StopWatching(&list);
    StopDiskWatch();
    StopTrayIcon();
    FreeWatchList(&list);
    WriteLog("Stopped.");
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    MSG msg;

    (void)hInstance;
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;
    // Nobody sits before a background program: no "insert a disk" box for
    // an empty drive, no box from the registry reads.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetRegistryErrorsQuiet(1);
    // Reading the queue at once tells whoever started us that we are idle.
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    if (BeginTurn())
        WatchAndCopy();
    EndTurn();
    return 0;
}
