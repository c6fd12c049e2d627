// Reads the list control of another process through memory placed in it.
#include "support/remote_list.h"

#include <commctrl.h>

std::vector<std::string> RemoteListEntries(HWND list)
{
    return RemoteListColumn(list, 0);
}

std::vector<std::string> RemoteListColumn(HWND list, int column)
{
    std::vector<std::string> out;
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process == NULL)
        return out;
    const SIZE_T textSize = 1024;
    BYTE *remote = (BYTE *)VirtualAllocEx(process, NULL, sizeof(LVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE);
    if (remote != NULL) {
        int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < count; i++) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = (LPSTR)(remote + sizeof(LVITEMA));
            item.cchTextMax = (int)textSize;
            WriteProcessMemory(process, remote, &item, sizeof(item), NULL);
            SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)remote);
            char text[1024 + 1] = "";
            ReadProcessMemory(process, remote + sizeof(LVITEMA), text, textSize, NULL);
            text[textSize] = '\0';
            out.push_back(text);
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return out;
}

int RemoteListSelected(HWND list)
{
    return (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

int RemoteColumnWidth(HWND list)
{
    return (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0);
}
