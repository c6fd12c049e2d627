// What the extension's parts share: its module, its object and lock counts,
// and the one class it serves.
#ifndef DXMENU_SERVER_H
#define DXMENU_SERVER_H

#include <windows.h>
#include <objbase.h>

// The extension's own module, for its folder (set when the DLL is loaded).
extern HMODULE g_hModule;

// Live objects and server locks: the DLL stays loaded while either is not 0.
void CountObject(int delta);
void CountLock(int delta);

// A reference to this DLL of its own, for FreeLibrary or
// FreeLibraryAndExitThread; NULL only when the system gives none at all.
HMODULE ReferenceSelf(void);

// Creates the context-menu object and asks it for riid.
HRESULT CreateContextMenu(REFIID riid, void **ppv);

#endif
