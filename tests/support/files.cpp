// Real files in the test prefix: a scratch folder, writing and reading text.
#include "support/files.h"

#include <shlobj.h>

#include <vector>

// The wide calls with "\\?\" reach paths of any length. The shell's delete
// does not: under Wine it loses a path past MAX_PATH and goes on deleting
// in the current folder instead.
static void RemoveWideTree(const std::wstring &folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
        std::wstring name = data.cFileName, path = folder + L"\\" + name;
        if (name == L"." || name == L"..")
            continue;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        // A link to a folder goes, never what it points at.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RemoveWideTree(path);
        else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryW(path.c_str());
        else
            DeleteFileW(path.c_str());
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    RemoveDirectoryW(folder.c_str());
}

std::wstring Widen(const std::string &text)
{
    std::wstring wide(text.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], (int)wide.size());
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

void RemoveFolderTree(const std::string &folder)
{
    // Only a full path with a drive: anything else could mean the current folder.
    if (folder.size() < 4 || folder[1] != ':' || folder[2] != '\\' || Widen(folder).empty())
        return;
    RemoveWideTree(L"\\\\?\\" + Widen(folder));
}

std::string MakeScratchFolder(const char *name)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + name;
    RemoveFolderTree(folder);
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

// Writes text as the whole of an opened file, and closes it.
static bool WriteWhole(HANDLE h, const std::string &text)
{
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(h);
    return ok && written == text.size();
}

bool WriteText(const std::string &path, const std::string &text)
{
    SHCreateDirectoryExA(NULL, path.substr(0, path.rfind('\\')).c_str(), NULL);
    return WriteWhole(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, 0, NULL), text);
}

bool WriteWideText(const std::wstring &path, const std::string &text)
{
    return WriteWhole(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, 0, NULL), text);
}

std::string ReadText(const std::string &path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &got, NULL) && got > 0)
        text.append(buffer, got);
    CloseHandle(h);
    return text;
}

bool PathExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
