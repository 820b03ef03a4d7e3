#include "Shell32.h"

#include "platform/win32/SystemLibrary.h"

namespace brisel::platform {

namespace {

Shell32Functions LoadFunctions() {
    const HMODULE module = win32::LoadSystemLibrary(L"shell32.dll");
    Shell32Functions functions;
    win32::Resolve(module, "SHGetMalloc", functions.GetMalloc);
    win32::Resolve(module, "SHGetSpecialFolderLocation", functions.GetSpecialFolderLocation);
    win32::Resolve(module, "SHGetPathFromIDListW", functions.GetPathFromIDListW);
    win32::Resolve(module, "SHGetPathFromIDListEx", functions.GetPathFromIDListEx);
    win32::Resolve(module, "SHGetDesktopFolder", functions.GetDesktopFolder);
    win32::Resolve(module, "SHBrowseForFolderW", functions.BrowseForFolderW);
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
