// Identifiers of the copies window's resources and controls.
#ifndef DXRESTORE_RESOURCE_H
#define DXRESTORE_RESOURCE_H

#define IDD_COPIES 101
#define IDI_APP 101

#define IDC_COPY_PATH 1001
#define IDC_COPY_STATE 1002
#define IDC_COPY_LIST 1003
#define IDC_COPY_NOTE 1004
#define IDC_OPEN_COPY 1005
#define IDC_SAVE_COPY 1006
#define IDC_RESTORE_COPY 1007

#endif
