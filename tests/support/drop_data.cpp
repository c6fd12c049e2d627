// Data objects with CF_HDROP for any paths, through the OLE clipboard.
#include "support/drop_data.h"

#include <ole2.h>
#include <shlobj.h>

#include <string.h>

IDataObject *ClipboardDataObject(const std::wstring &paths, bool wide)
{
    std::string ansi(paths.size() * 2 + 1, '\0');
    int ansiLen = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, paths.c_str(), (int)paths.size(), &ansi[0],
                                      (int)ansi.size(), NULL, NULL);
    size_t bytes = wide ? paths.size() * 2 : (size_t)ansiLen;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes + 2);
    DROPFILES *drop = (DROPFILES *)GlobalLock(block);
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = wide;
    memcpy(drop + 1, wide ? (const void *)paths.c_str() : (const void *)ansi.c_str(), bytes);
    GlobalUnlock(block);
    IDataObject *data = NULL;
    if (OpenClipboard(NULL) && EmptyClipboard() && SetClipboardData(CF_HDROP, block) && CloseClipboard())
        OleGetClipboard(&data);
    return data;
}
