// The backup path's Change and Open, Help, the web link and the About box.
#ifndef DUPLIX_PATH_LINKS_H
#define DUPLIX_PATH_LINKS_H

#include <windows.h>

#include "res/version.h"

#define HELP_FILE "Duplix.htm"
#define PRODUCT_WEB_PAGE "http://" DUPLIX_WEB_ADDRESS "/duplix98/"

#define VERSION_TEXT_SIZE 50
#define ABOUT_TEXT_SIZE 300

// Handlers of WM_COMMAND; each returns the dialog procedure's answer.
INT_PTR OnChangePath(HWND hDlg);
INT_PTR OnOpenPath(HWND hDlg);
INT_PTR OnHelp(void);
INT_PTR OnWebLink(WORD code);
INT_PTR OnAppIcon(HWND hDlg);

// Runs the folder browser on the path (260 bytes). Returns 1 with the picked
// folder in the path, or 0 with the path unchanged.
int ChooseFolder(HWND hOwner, char *path);

// The browser's callback: selects the path given as data when it opens.
int CALLBACK BrowseCallback(HWND hBrowser, UINT msg, LPARAM lParam, LPARAM data);

// Copies the program's product version into version (size bytes), cut to
// fit. Returns 0, version untouched, when it cannot be read.
int GetProductVersion(char *version, int size);

// The same, read from the version block of the given file.
int ReadProductVersion(const char *file, char *version, int size);

// Compositions handed to the shell. Each returns 1, or 0 with an empty
// result when the whole text does not fit: a cut one names something else.
int FormatNewestCopiesPath(const char *backupPath, char *path, int size);
int FormatHelpAddress(const char *folder, char *address, int size);

// The About box's text; the version is cut if it does not fit.
void FormatAboutText(const char *version, char *text, int size);

#endif
