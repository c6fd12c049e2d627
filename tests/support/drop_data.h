// Data objects with CF_HDROP for any paths, as the shell hands an extension.
#ifndef TEST_DROP_DATA_H
#define TEST_DROP_DATA_H

#include <windows.h>
#include <objidl.h>

#include <string>

// The OLE clipboard's data object for paths, each ended by its zero: Wine's
// shell folders cannot reach a file whose path is longer than 259
// characters. The block holds wide names, as NT's shell makes it, or ANSI
// ones, as the shell of Windows 98 does ('?' for a letter the code page
// lacks). NULL when the clipboard refused it. Needs OLE initialised.
IDataObject *ClipboardDataObject(const std::wstring &paths, bool wide = true);

#endif
