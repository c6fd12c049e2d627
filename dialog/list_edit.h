// The backup list's commands and the list control's notifications.
#ifndef DUPLIX_LIST_EDIT_H
#define DUPLIX_LIST_EDIT_H

#include <windows.h>

void OnAddFile(void);
void OnNewItem(void);
void OnPasteItem(void);
void OnChangeItem(void);
void OnOpenItem(void);
void OnEditItem(void);
void OnRemoveItem(void);

// WM_NOTIFY from the list: keys, activation, header click, end of a label edit.
INT_PTR OnListNotify(const NMHDR *hdr);

#endif
