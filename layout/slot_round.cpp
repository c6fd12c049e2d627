// Reads the round record the notifier keeps in each ring slot.
#include "layout/copy_layout.h"

static int ParseHex(const char *text, ULONGLONG *value)
{
    int i;

    *value = 0;
    for (i = 0; i < 16; i++) {
        char c = text[i];
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;

        if (digit < 0)
            return 0;
        *value = *value << 4 | (ULONGLONG)digit;
    }
    return 1;
}

int ReadSlotRound(const char *slot, SlotRound *round)
{
    char path[LONG_PATH], text[ROUND_TEXT_SIZE];
    DWORD got = 0;
    HANDLE file;

    if (!JoinPath(path, sizeof(path), slot, ROUND_FILE))
        return 0;
    file = OpenPath(path, GENERIC_READ, ShareAll(), OPEN_EXISTING, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    ZeroMemory(text, sizeof(text));
    ReadFile(file, text, sizeof(text) - 1, &got, NULL);
    CloseHandle(file);
    // Anything but what we wrote counts as no record.
    return got >= 33 && text[16] == ' ' && ParseHex(text, &round->start) && ParseHex(text + 17, &round->taken);
}
