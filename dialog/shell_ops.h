// Small shell operations behind the list commands: the file-open dialog, the
// clipboard, Explorer and the folder test.
#ifndef DUPLIX_SHELL_OPS_H
#define DUPLIX_SHELL_OPS_H

#include <windows.h>

// Text taken from the clipboard: up to 260 characters and the zero.
#define CLIP_TEXT_SIZE (MAX_PATH + 1)

// Longest Explorer parameter text: the select prefix, two quotes, a path.
#define EXPLORER_PARAMS_SIZE (14 + 2 + MAX_PATH)

// Runs the file-open dialog starting from the path (260 bytes). Returns 1 and
// the chosen file in the path, or 0 with the path unchanged.
int ChooseFile(HWND hOwner, char *path);

// Copies the clipboard's text, at most 260 characters, into text (size bytes,
// at least CLIP_TEXT_SIZE); leaves it as it was when there is no text.
void PasteFromClipboard(char *text, int size);

// Builds Explorer's parameters for the path; 0 when they do not fit whole.
int FormatExplorerParams(const char *path, char *params, int size);

// Opens Explorer on a folder, or on the containing folder with the file selected.
void ShowInExplorer(const char *path);

// 1 when the path names a folder that can be made the current directory.
int IsDirectory(const char *path);

#endif
