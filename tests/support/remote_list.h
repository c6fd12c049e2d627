// Reads the list control of another process. List-view messages carry raw
// pointers, so the text buffer is placed in that process's memory.
#ifndef TEST_REMOTE_LIST_H
#define TEST_REMOTE_LIST_H

#include <windows.h>

#include <string>
#include <vector>

std::vector<std::string> RemoteListEntries(HWND list);
// The texts of one column (0: the items themselves), row by row.
std::vector<std::string> RemoteListColumn(HWND list, int column);
int RemoteListSelected(HWND list);
int RemoteColumnWidth(HWND list);

#endif
