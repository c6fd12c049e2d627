// The extension's own allocation of its objects: the C++ library's nothrow
// operator new catches exceptions, which would pull the whole unwinder (most
// of the DLL's size) into a library that uses no exceptions.
#include <windows.h>

#include <new>

void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    return HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1);
}

void operator delete(void *block) noexcept
{
    if (block != NULL)
        HeapFree(GetProcessHeap(), 0, block);
}

void operator delete(void *block, std::size_t) noexcept
{
    operator delete(block);
}
