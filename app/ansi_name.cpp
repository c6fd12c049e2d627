// Wide names in the ANSI code page, exactly or not at all: the ANSI calls
// would open another file under a look-alike name.
#include "app/program.h"

#include <string.h>

// Room for the name converted back, to compare it with the original.
#define ROUND_TRIP_CHARS 1024

int ConvertNameExactly(const WCHAR *wide, char *out, int size)
{
    WCHAR back[ROUND_TRIP_CHARS];
    BOOL lossy = FALSE;

    if (out == NULL || size <= 0)
        return 0;
    out[0] = '\0';
    if (wide == NULL)
        return 0;
    if (size > ROUND_TRIP_CHARS)
        size = ROUND_TRIP_CHARS;
    // Without the flag Windows puts "L" for "Ł" and does not call it a
    // default character. Systems before it (NT 4.0) refuse the flag; the
    // comparison below still finds a look-alike there.
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, size, NULL, &lossy) == 0) {
        if (GetLastError() != ERROR_INVALID_FLAGS ||
            WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size, NULL, &lossy) == 0) {
            out[0] = '\0';
            return 0;
        }
    }
    out[size - 1] = '\0';
    if (lossy || MultiByteToWideChar(CP_ACP, 0, out, -1, back, ROUND_TRIP_CHARS) == 0 ||
        wcscmp(back, wide) != 0) {
        out[0] = '\0';
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return 1;
}
