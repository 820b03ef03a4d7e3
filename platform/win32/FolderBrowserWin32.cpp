#include "platform/FolderBrowser.h"

#include "platform/win32/Com.h"
#include "platform/win32/Shell32.h"
#include "platform/win32/WideText.h"

#include <windows.h>

#include <shlobj.h>

namespace brisel::platform {

namespace {

// The path as an item-id list of the desktop's namespace, or none.
win32::ItemIdList ParseDisplayNameToIdList(const char* path) {
    win32::ComPtr<IShellFolder> desktop;
    const auto getDesktop = Shell32().GetDesktopFolder;
    if (getDesktop == nullptr || FAILED(getDesktop(desktop.Receive())) || !desktop) {
        return {};
    }
    win32::WideText wide = win32::FromAnsi(path);
    if (wide.empty() || wide.size() >= MAX_PATH) {
        return {}; // does not fit, terminator included
    }
    win32::ItemIdList list;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, list.Receive(),
                                         nullptr))) {
        return {};
    }
    return list;
}

// Preselects the initial folder (the callback parameter) once the browser
// is up; a path that cannot be parsed leaves the default selection.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        const win32::ItemIdList list =
            ParseDisplayNameToIdList(reinterpret_cast<const char*>(data));
        if (list) {
            SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(list.Get()));
        }
    }
    return 0;
}

} // namespace

std::string BrowseForFolder(void* ownerWindow, const std::string& root, const wchar_t* prompt,
                            const std::string& initialFolder) {
    // Uninitialised only when this call initialised it.
    const win32::ComApartment com(win32::ComApartment::Uninitialise::IfInitialised);
    // Held while the browser's lists live, which are freed with it.
    win32::ShellAllocator allocator;
    const auto getMalloc = Shell32().GetMalloc;
    if (getMalloc == nullptr || getMalloc(allocator.Receive()) != S_OK || !allocator) {
        return std::string();
    }
    win32::ItemIdList rootList;
    if (!root.empty()) {
        rootList = ParseDisplayNameToIdList(root.c_str());
    }
    BROWSEINFOW request{};
    request.hwndOwner = static_cast<HWND>(ownerWindow);
    request.pidlRoot = rootList.Get();
    request.pszDisplayName = nullptr;
    request.lpszTitle = prompt;
    request.ulFlags = BIF_RETURNONLYFSDIRS;
    request.lpfn = BrowseCallback;
    request.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());

    const auto browse = Shell32().BrowseForFolderW;
    const auto getPath = Shell32().GetPathFromIDListA;
    if (browse == nullptr || getPath == nullptr) {
        return std::string();
    }
    const win32::ItemIdList chosen(browse(&request));
    if (!chosen) {
        return std::string();
    }
    char path[MAX_PATH] = {};
    if (!getPath(chosen.Get(), path)) {
        return std::string();
    }
    return std::string(path);
}

} // namespace brisel::platform
