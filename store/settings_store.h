// The settings kept in the product key, and the save of the backup path and
// the backup list from the settings dialog.
#ifndef DUPLIX_SETTINGS_STORE_H
#define DUPLIX_SETTINGS_STORE_H

// Names of the stored values; list entries are numbered from 0 without gaps.
#define BACKUP_PATH_VALUE "BackupPath"
#define LIST_ITEM_FORMAT "ListItem%i"
#define WND_LEFT_VALUE "WndLeft"
#define WND_TOP_VALUE "WndTop"
// Which disk holds the copies: the mark in the backup folder, with the hash
// of the backup path it belongs to. The notifier writes it; a save forgets
// it, so that OK confirms whatever disk lies at the path.
#define BACKUP_DISK_VALUE "BackupDisk"

// Stored, and shown, when the backup path is empty or missing.
#define DEFAULT_BACKUP_PATH "C:\\Duplix Path"

// Room for "ListItem" and any int with its zero.
#define LIST_NAME_SIZE 32

// Writes the value name of the list entry with this index into name, which
// holds LIST_NAME_SIZE bytes.
void MakeListItemName(char *name, int index);

// Stores the backup path of the dialog g_hDlg (the default for an empty
// field) and its list entries in the order shown when the save begins (a
// write's error box lets the list change), then deletes the list
// values above them up to the first number already missing. Returns 1 when
// the list held at least one entry, else 0.
int SaveSettings(void);

#endif
