// Backslashes in ANSI paths, found by character: in the multi-byte code
// pages (932, 936, 949, 950) the second byte of a character may be 0x5C.
#include "app/program.h"

const char *FindLastBackslash(const char *path)
{
    const char *last = NULL;

    for (; *path != '\0'; path = CharNextA(path)) {
        if (*path == '\\')
            last = path;
    }
    return last;
}

const char *FindFirstBackslash(const char *path)
{
    for (; *path != '\0'; path = CharNextA(path)) {
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
