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

// The whole file, or "<missing>" when it cannot be opened.
std::string ReadText(const std::string &path);

bool PathExists(const std::string &path);

#endif
