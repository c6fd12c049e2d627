// Bounded text: what is appended is cut to the buffer, never past it.
#include "app/program.h"

void AppendText(char *out, int size, const char *text)
{
    int used = lstrlenA(out);

    if (used < size - 1)
        lstrcpynA(out + used, text, size - used);
}
