// Real files in the test prefix: a scratch folder, writing and reading text.
#include "support/files.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

void RemoveFolderTree(const std::string &folder)
{
    std::vector<char> from(folder.begin(), folder.end());
    from.push_back('\0');
    from.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
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

bool WriteText(const std::string &path, const std::string &text)
{
    SHCreateDirectoryExA(NULL, path.substr(0, path.rfind('\\')).c_str(), NULL);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(h);
    return ok && written == text.size();
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
