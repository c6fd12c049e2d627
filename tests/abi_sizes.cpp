// Compile-time checks that the 32-bit build gets the record sizes, offsets and
// constants that the program and its companions rely on.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <stddef.h>

#ifndef _WIN64
// OPENFILENAME_SIZE_VERSION_400A is the record up to and with lpTemplateName
// (MinGW spells it with a cast that is no constant expression).
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "OPENFILENAMEA without the NT 5 fields is 76 bytes");
static_assert(offsetof(COPYDATASTRUCT, dwData) == 0, "request code at offset 0");
static_assert(offsetof(COPYDATASTRUCT, cbData) == 4, "data length at offset 4");
static_assert(offsetof(COPYDATASTRUCT, lpData) == 8, "data address at offset 8");
static_assert(sizeof(COPYDATASTRUCT) == 12, "COPYDATASTRUCT is 12 bytes");
static_assert(sizeof(ULONG_PTR) == 4 && sizeof(void *) == 4, "32-bit pointers");
static_assert(GCLP_HICON == -14 && GCL_HICON == -14, "class icon index");
// The notification icon's record as shells before version 5 take it (a
// 64-byte tip), and with the balloon fields of version 5.
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "NOTIFYICONDATAA of Windows 95, 98 and NT 4.0");
static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "NOTIFYICONDATAA of shell32 5.0");
#else
static_assert(sizeof(void *) == 8, "64-bit pointers");
#endif

// The same in both builds.
static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4, "32-bit registry numbers");
static_assert(LVM_GETNEXTITEM == 0x100C && LVM_FINDITEMA == 0x100D, "list-view messages");
static_assert(LVM_INSERTITEMA == 0x1007 && LVM_DELETEITEM == 0x1008, "list-view messages");
static_assert(LVM_GETITEMTEXTA == 0x102D && LVM_SETITEMTEXTA == 0x102E, "list-view messages");
static_assert(LVM_SETITEMSTATE == 0x102B && LVM_EDITLABELA == 0x1017, "list-view messages");
static_assert(LVM_SETCOLUMNWIDTH == 0x101E && LVM_SORTITEMS == 0x1030, "list-view messages");
static_assert(LVSCW_AUTOSIZE_USEHEADER == -2, "column autosize with header");
static_assert((int)LVN_KEYDOWN == -155 && (int)LVN_ITEMACTIVATE == -114, "list notifications");
static_assert((int)LVN_COLUMNCLICK == -108 && (int)LVN_ENDLABELEDITA == -106, "list notifications");
static_assert((OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY) == 0x81804,
              "file-open flags");
static_assert(WM_COPYDATA == 0x004A, "copy-data message");
