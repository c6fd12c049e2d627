// Backslashes in ANSI paths, found by character: in the multi-byte code
// pages (932, 936, 949, 950) the second byte of a character may be 0x5C.
#include "app/program.h"

struct CodePageBytes {
    BYTE lead[256];   // begins a double-byte character
    BYTE upper[256];  // as CharUpperA makes a single-byte character
};

// The code page's bytes, looked up once: a walk along a path takes a step
// per character, and a call to the system for each step would cost more
// than the walk. Two threads that fill them at once write the same.
static const CodePageBytes *GetCodePageBytes(void)
{
    static CodePageBytes bytes;
    static volatile LONG ready;
    char one[2];
    int b;

    if (!ready) {
        for (b = 0; b < 256; b++) {
            bytes.lead[b] = b >= 0x80 && IsDBCSLeadByte((BYTE)b) ? 1 : 0;
            one[0] = (char)b;
            one[1] = '\0';
            if (b != 0 && !bytes.lead[b])
                CharUpperA(one);
            bytes.upper[b] = (BYTE)one[0];
        }
        InterlockedExchange(&ready, 1);
    }
    return &bytes;
}

const char *NextPathChar(const char *at)
{
    if (*at == '\0')
        return at;
    return GetCodePageBytes()->lead[(BYTE)*at] && at[1] != '\0' ? at + 2 : at + 1;
}

BYTE ToUpperByte(BYTE b)
{
    return GetCodePageBytes()->upper[b];
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
