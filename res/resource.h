// Identifiers of the settings program's resources and dialog controls.
#ifndef DUPLIX_RESOURCE_H
#define DUPLIX_RESOURCE_H

// windows.h names a help cursor IDC_HELP; here it is the Help button. Take
// windows.h in first so that its definition is always the one replaced.
#include <windows.h>
#undef IDC_HELP

#define IDD_SETTINGS 101
#define IDI_APP 101
#define IDC_LINK_CURSOR 117

#define IDC_FILE_LIST 1001
#define IDC_VERSION_LABEL 1003
#define IDC_APP_ICON 1004
#define IDC_WEB_LINK 1005
#define IDC_MAKER_LABEL 1006
#define IDC_CHANGE_PATH 1009
#define IDC_OPEN_PATH 1029
#define IDC_BACKUP_PATH 1030
#define IDC_HELP 1033
#define IDC_OPEN_ITEM 1035
#define IDC_CHANGE_ITEM 1047
#define IDC_PASTE_ITEM 1049
#define IDC_REMOVE_ITEM 1050
#define IDC_EDIT_ITEM 1053
#define IDC_NEW_ITEM 1072
#define IDC_ADD_FILE 1073

#endif
