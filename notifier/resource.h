// Identifiers of the notifier's resources: its two icons, the icon's menu
// and the status window.
#ifndef DUPLIX_NOTIFIER_RESOURCE_H
#define DUPLIX_NOTIFIER_RESOURCE_H

#define IDI_APP 101
#define IDI_TROUBLE 102
#define IDR_TRAY_MENU 110
#define IDD_STATUS 120

// The menu's commands; the status window's buttons that do the same carry
// the same numbers.
#define IDM_STATUS 201
#define IDM_SETTINGS 202
#define IDM_OPEN_BACKUP 203
#define IDM_SHOW_LOG 204
#define IDM_STOP 205

// The status window's controls.
#define IDC_STATUS_PATH 1101
#define IDC_STATUS_WRITABLE 1102
#define IDC_STATUS_WATCHED 1103
#define IDC_STATUS_LAST_COPY 1104
#define IDC_STATUS_SUMMARY 1105
#define IDC_STATUS_LIST 1106

#endif
