// Real files in the test prefix: a scratch folder, writing and reading text.
#ifndef TEST_FILES_H
#define TEST_FILES_H

#include <windows.h>

#include <string>

// A fresh, empty folder of this name in the temporary folder.
std::string MakeScratchFolder(const char *name);

// Removes a folder and everything in it.
void RemoveFolderTree(const std::string &folder);

// Writes text as the whole file, creating its folder; false when refused.
bool WriteText(const std::string &path, const std::string &text);
// The same by a wide name (a name the code page cannot hold, a path past
// MAX_PATH with its "\\?\" prefix); the folder must be there.
bool WriteWideText(const std::wstring &path, const std::string &text);

// An ANSI text in UTF-16, as the code page reads it; empty when it cannot.
std::wstring Widen(const std::string &text);

// The whole file, or "<missing>" when it cannot be opened.
std::string ReadText(const std::string &path);

bool PathExists(const std::string &path);

#endif
