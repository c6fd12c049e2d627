// The files selected in Explorer, as the shell's CF_HDROP block names them.
#ifndef DXMENU_SELECTION_H
#define DXMENU_SELECTION_H

#include "dxmenu/requests.h"

#include <shellapi.h>
#include <shlobj.h>

// Reads the names of the block into a new heap array (HeapFree it) and
// gives its count, leaving out every name a request cannot carry whole,
// counted in *skipped. NULL with count 0 when no name is left or memory is
// short.
RequestPath *TakeSelection(HGLOBAL block, int *count, int *skipped);

// The folder a folder window shows (its empty space was right-clicked), as
// one path in a new heap array (HeapFree it); NULL when it is no folder of
// the file system or has no exact ANSI name.
RequestPath *TakeShownFolder(LPCITEMIDLIST folder);

#endif
