// File operations for paths of any length under LONG_PATH: the ANSI calls
// while a path fits them, the wide "\\?\" calls of Windows NT beyond. The
// notifier, the copies window and anything later that reaches the copies
// use these, so that they see the same files by the same names.
#ifndef DUPLIX_LONG_PATH_H
#define DUPLIX_LONG_PATH_H

#include <windows.h>

// Room for a path under the backup path: the backup path, a ring's slot and
// a source path of up to 259 characters, or a file inside a listed folder.
#define LONG_PATH 1024

// A name in a listed folder that the ANSI code page cannot hold exactly
// (Windows NT) is carried as this mark and the name in UTF-8; only the wide
// calls see it.
#define WIDE_NAME_MARK '\x01'

// Asked between steps of a long operation; 1 stops it. NULL: never.
typedef int (*EndCheck)(void);

// The path as the log shows it (such names in the code page, as best it can).
void ToDisplayPath(const char *path, char *out, int size);
HANDLE OpenPath(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
int MakeFolder(const char *path);
int MakeFolderTree(const char *path);
// Makes the folder that holds path (a file's), when missing.
int MakeParentFolder(const char *path);
int DeletePath(const char *path);
// Renames from over to, written through on Windows NT; 0 when refused.
int MovePathReplacing(const char *from, const char *to);
// Renames from over to so that to keeps its attributes and, on Windows 2000
// and later, its security settings and streams (ReplaceFile); a plain
// rename where to is not there. 0 when refused.
int ReplacePathKeeping(const char *from, const char *to);
// The same, with the old file renamed to aside in the one step (ReplaceFile;
// aside's folder must exist, on to's volume). 0 and nothing changed where
// that cannot be done: the caller then keeps the old content another way.
int ReplacePathKeepingAside(const char *from, const char *to, const char *aside);
// A further name for an existing file (a hard link; Windows 2000 and
// later, NTFS): 0 with the last error when refused, ERROR_CALL_NOT_IMPLEMENTED
// where the system makes none.
int MakeHardLink(const char *link, const char *existing);
// The replace of Windows 9x, by renames that never lose the old copy.
int ReplaceByRenames(const char *from, const char *to);
// Puts back an old copy that a cut-short replace left aside.
void RestoreAside(const char *to);
int IsWindowsNt(void);
// Size, attributes and last write time of an existing path (of a drive's or
// a share's root: only its attributes); 0 when missing.
int GetPathInfo(const char *path, WIN32_FIND_DATAA *info);
// The same by a search of its folder, which gives the name as the folder
// holds it (the long name for a short one, its own case).
int FindPathName(const char *path, WIN32_FIND_DATAA *info);
// Where the folders of a full path begin: past "X:\" or "\\server\share\";
// 0 when the path has no such root.
int GetRootLength(const char *path);
// long_names.cpp: puts each short name in a full path ("REPORT~1.DOC") as
// its long name, so that a file has one name whoever reports it; what is
// not there stays as it is. 0 when the result would not fit in size.
int ToLongNames(char *path, int size);
// Removes a folder and what it holds, never following a link out of it;
// 0 when mustEnd stopped it.
int RemoveTree(const char *path, EndCheck mustEnd);
// Calls found(file, data, context) for each file directly in folder (not
// its subfolders) until found returns 0; returns the last answer.
typedef int (*FileFound)(const char *file, const WIN32_FIND_DATAA *data, void *context);
int ForEachFileIn(const char *folder, FileFound found, void *context);
// The same for every name in folder, its subfolders' too (not "." or "..").
// A name that no path here can carry comes too, so that it is not passed
// over in silence: data->dwReserved1 says why, and file names it for the
// log only (a look-alike, or cut to fit).
#define NAME_CARRIED 0
#define NAME_NO_FORM 1   // neither the code page nor UTF-8 in MAX_PATH holds it
#define NAME_TOO_LONG 2  // the path is longer than LONG_PATH
int ForEachNameIn(const char *folder, FileFound found, void *context);
// Whether the folder's names can be read now (a folder refused, or on a
// share that went away, lists as empty: it is not).
int CanListFolder(const char *folder);
DWORD ShareAll(void);
// Whether this system can reach the path at all (Windows 9x: below MAX_PATH).
int CanUsePath(const char *path);

#endif
