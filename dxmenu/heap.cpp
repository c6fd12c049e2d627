// The extension's objects live on the process heap. Its own operator new and
// delete keep the C++ run-time library out of the DLL, and with it the -posix
// threads library, whose imports no Windows before Vista has.
#include <windows.h>

#include <new>

void *operator new(size_t size, const std::nothrow_t &) noexcept
{
    return HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1);
}

void operator delete(void *block) noexcept
{
    if (block != NULL)
        HeapFree(GetProcessHeap(), 0, block);
}

void operator delete(void *block, size_t) noexcept
{
    operator delete(block);
}
