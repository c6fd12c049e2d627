// Backslashes in ANSI paths, found by character: in the multi-byte code
// pages (932, 936, 949, 950) the second byte of a character may be 0x5C.
#include "app/program.h"

// The code page's lead bytes, looked up once: a walk along a path takes a
// step per character, and a call to the system for each step would cost
// more than the walk. Two threads that fill it at once write the same.
static const BYTE *GetLeadBytes(void)
{
    static BYTE lead[256];
    static volatile LONG ready;
    int b;

    if (!ready) {
        for (b = 0x80; b < 256; b++)
            lead[b] = IsDBCSLeadByte((BYTE)b) ? 1 : 0;
        InterlockedExchange(&ready, 1);
    }
    return lead;
}

const char *NextPathChar(const char *at)
{
    if (*at == '\0')
        return at;
    return GetLeadBytes()[(BYTE)*at] && at[1] != '\0' ? at + 2 : at + 1;
}

const char *FindLastBackslash(const char *path)
{
    const char *last = NULL;

    for (; *path != '\0'; path = NextPathChar(path)) {
        if (*path == '\\')
            last = path;
    }
    return last;
}

const char *FindFirstBackslash(const char *path)
{
    for (; *path != '\0'; path = NextPathChar(path)) {
        if (*path == '\\')
            return path;
    }
    return NULL;
}

const char *FindFileName(const char *path)
{
    const char *slash = FindLastBackslash(path);

    return slash != NULL ? slash + 1 : path;
}
