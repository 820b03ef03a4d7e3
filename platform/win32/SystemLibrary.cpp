#include "platform/win32/SystemLibrary.h"

namespace brisel::win32 {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    const int nameLength = lstrlenW(name);
    if (length == 0 || length + 1 + nameLength + 1 > MAX_PATH) {
        return nullptr;
    }
    path[length] = L'\\';
    lstrcpyW(path + length + 1, name);
    // The altered search path makes the DLL's own folder, the system
    // directory, the first place its dependencies are looked for.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace brisel::win32
