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
    Resolve(module, "SHGetPathFromIDListA", functions.GetPathFromIDListA);
    Resolve(module, "SHGetDesktopFolder", functions.GetDesktopFolder);
    Resolve(module, "SHBrowseForFolderW", functions.BrowseForFolderW);
    return functions;
}

} // namespace

const Shell32Functions& Shell32() {
    static const Shell32Functions functions = LoadFunctions();
    return functions;
}

} // namespace brisel::platform
