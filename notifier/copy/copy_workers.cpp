// Files backed up side by side: a look's new files go to a few threads at
// once, so that the flushes of their copies to the disk overlap instead of
// each waiting for the one before. The copying thread takes part and hands
// out the jobs; everything else about a file (its troubles, the log) stays
// on the copying thread.
#include "notifier/notifier.h"
#include "notifier/copy/copy.h"

#define HELPERS (COPY_WORKERS - 1)

struct CopyRound {
    const char *backup;
    CopyJob *jobs;
    int count;
    JobCheck check;
    volatile LONG halted;
    volatile LONG next;
    volatile LONG active;
    HANDLE done;
};

static HANDLE g_helpers[HELPERS];
static HANDLE g_go; // one count per helper's part in a round
static CopyRound *volatile g_round;
static volatile LONG g_quit;

static void TakePart(CopyRound *round)
{
    LONG i;

    while (!round->halted && (i = InterlockedIncrement(&round->next) - 1) < round->count) {
        CopyJob *job = &round->jobs[i];

        job->result = BackUpFile(round->backup, job->path, &job->info, &job->seen);
        if (round->check != NULL && !round->check(job))
            InterlockedExchange(&round->halted, 1);
    }
    if (InterlockedDecrement(&round->active) == 0)
        SetEvent(round->done);
}

static DWORD WINAPI HelpWithCopies(LPVOID param)
{
    (void)param;
    while (WaitForSingleObject(g_go, INFINITE) == WAIT_OBJECT_0 && !g_quit)
        TakePart(g_round);
    return 0;
}

// The helpers, made at the first round; 0 when the system gives none (the
// copying thread then does every job itself).
static int StartHelpers(void)
{
    DWORD id;
    int i;

    if (g_go != NULL)
        return 1;
    g_go = CreateSemaphoreA(NULL, 0, HELPERS, NULL);
    if (g_go == NULL)
        return 0;
    for (i = 0; i < HELPERS; i++) {
        // Windows 9x needs the id.
        g_helpers[i] = CreateThread(NULL, 0, HelpWithCopies, NULL, 0, &id);
        if (g_helpers[i] == NULL) {
            StopCopyWorkers();
            return 0;
        }
    }
    return 1;
}

void RunCopyJobs(const char *backup, CopyJob *jobs, int count, JobCheck check)
{
    CopyRound round;
    int helpers = count > 1 && StartHelpers() ? HELPERS : 0;
    int i;

    for (i = 0; i < count; i++)
        jobs[i].result = COPY_NOT_TRIED;
    round.backup = backup;
    round.jobs = jobs;
    round.count = count;
    round.check = check;
    round.halted = 0;
    round.next = 0;
    round.active = helpers + 1;
    round.done = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (round.done == NULL)
        helpers = 0, round.active = 1;
    g_round = &round;
    if (helpers > 0)
        ReleaseSemaphore(g_go, helpers, NULL);
    TakePart(&round);
    if (round.done != NULL) {
        WaitForSingleObject(round.done, INFINITE);
        CloseHandle(round.done);
    }
}

void StopCopyWorkers(void)
{
    int i, running = 0;

    if (g_go == NULL)
        return;
    g_quit = 1;
    for (i = 0; i < HELPERS; i++)
        running += g_helpers[i] != NULL;
    ReleaseSemaphore(g_go, running, NULL);
    for (i = 0; i < HELPERS; i++) {
        if (g_helpers[i] == NULL)
            continue;
        WaitForSingleObject(g_helpers[i], INFINITE);
        CloseHandle(g_helpers[i]);
        g_helpers[i] = NULL;
    }
    CloseHandle(g_go);
    g_go = NULL;
    g_quit = 0;
}
