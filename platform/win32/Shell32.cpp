#include "Shell32.h"

namespace brisel::platform {

namespace {

HMODULE LoadSystemShell32() {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    const wchar_t kName[] = L"\\shell32.dll";
    if (length == 0 || length + sizeof kName / sizeof kName[0] > MAX_PATH) {
        return nullptr;
    }
    lstrcpyW(path + length, kName);
    // The altered search path makes the DLL's own folder, the system
    // directory, the first place its dependencies are looked for.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Function> void Resolve(HMODULE module, const char* name, Function& function) {
    function =
        module == nullptr
            ? nullptr
            : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

Shell32Functions LoadFunctions() {
    const HMODULE module = LoadSystemShell32(); // stays loaded for the process
    Shell32Functions functions;
    Resolve(module, "SHGetMalloc", functions.GetMalloc);
    Resolve(module, "SHGetSpecialFolderLocation", functions.GetSpecialFolderLocation);
    Resolve(module, "SHGetPathFromIDListW", functions.GetPathFromIDListW);
    Resolve(module, "SHGetPathFromIDListEx", functions.GetPathFromIDListEx);
    Resolve(module, "SHGetDesktopFolder", functions.GetDesktopFolder);
    Resolve(module, "SHBrowseForFolderW", functions.BrowseForFolderW);
    return functions;
}

} // namespace

const Shell32Functions& Shell32() {
    static const Shell32Functions functions = LoadFunctions();
    return functions;
}

bool PathFromIdList(LPCITEMIDLIST list, WideString& path) {
    const auto& shell = Shell32();
    WideString buffer;
    if (shell.GetPathFromIDListEx != nullptr) {
        // The longest path the system has.
        buffer.assign(32768, u'\0');
        if (!shell.GetPathFromIDListEx(list, reinterpret_cast<PWSTR>(buffer.data()),
                                       static_cast<DWORD>(buffer.size()), 0)) {
            return false;
        }
    } else {
        buffer.assign(MAX_PATH, u'\0');
        if (shell.GetPathFromIDListW == nullptr ||
            !shell.GetPathFromIDListW(list, reinterpret_cast<PWSTR>(buffer.data()))) {
            return false;
        }
    }
    buffer.back() = u'\0';
    path = buffer.c_str();
    return true;
}

} // namespace brisel::platform
