// Newer kernel32 functions, looked up at run time: a program that imported
// one its Windows lacks would not load there at all.
#include "app/program.h"

void (*FindKernelCall(const char *name))(void)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");

    return kernel != NULL ? (void (*)(void))GetProcAddress(kernel, name) : NULL;
}
