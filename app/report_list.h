// The report lists of the companions' windows.
#ifndef DUPLIX_REPORT_LIST_H
#define DUPLIX_REPORT_LIST_H

#include <windows.h>

#include <commctrl.h>

void AddListColumn(HWND list, int index, const char *text, int width);
// Sets the text of a row's later column (the first is set with the row).
void SetListCell(HWND list, int row, int column, char *text);
// Fits the columns to their texts and gives column widest the room left.
void FitListColumns(HWND list, int widest);

#endif
