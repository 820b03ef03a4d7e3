#include "platform/FolderBrowser.h"

#include "platform/win32/Com.h"
#include "platform/win32/Shell32.h"
#include "platform/win32/WideText.h"

#include <windows.h>

#include <shlobj.h>

namespace brisel::platform {

namespace {

// The path as an item-id list of the desktop's namespace, or none. An empty
// path is parsed too: the desktop names its own default item for it, so an
// empty directory field still opens the browser with a folder selected.
win32::ItemIdList ParseDisplayNameToIdList(const WideString& path) {
    win32::ComPtr<IShellFolder> desktop;
    const auto getDesktop = Shell32().GetDesktopFolder;
    if (getDesktop == nullptr || FAILED(getDesktop(desktop.Receive())) || !desktop) {
        return {};
    }
    // The parser takes a writable text.
    WideString text = path;
    win32::ItemIdList list;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, win32::Wide(text), nullptr,
                                         list.Receive(), nullptr))) {
        return {};
    }
    return list;
}

// Preselects the initial folder (the callback parameter) once the browser
// is up; a path that cannot be parsed leaves the default selection.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        const win32::ItemIdList list =
            ParseDisplayNameToIdList(*reinterpret_cast<const WideString*>(data));
        if (list) {
            SendMessageW(dialog, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(list.Get()));
        }
    }
    return 0;
}

} // namespace

WideString BrowseForFolder(void* ownerWindow, const WideString& root, const WideString& prompt,
                           const WideString& initialFolder) {
    // Uninitialised only when this call initialised it.
    const win32::ComApartment com(win32::ComApartment::Uninitialise::IfInitialised);
    // Held while the browser's lists live, which are freed with it.
    win32::ShellAllocator allocator;
    const auto getMalloc = Shell32().GetMalloc;
    if (getMalloc == nullptr || getMalloc(allocator.Receive()) != S_OK || !allocator) {
        return WideString();
    }
    win32::ItemIdList rootList;
    if (!root.empty()) {
        rootList = ParseDisplayNameToIdList(root);
    }
    BROWSEINFOW request{};
    request.hwndOwner = static_cast<HWND>(ownerWindow);
    request.pidlRoot = rootList.Get();
    request.pszDisplayName = nullptr;
    request.lpszTitle = win32::Wide(prompt);
    request.ulFlags = BIF_RETURNONLYFSDIRS;
    request.lpfn = BrowseCallback;
    request.lParam = reinterpret_cast<LPARAM>(&initialFolder);

    const auto browse = Shell32().BrowseForFolderW;
    if (browse == nullptr) {
        return WideString();
    }
    const win32::ItemIdList chosen(browse(&request));
    WideString path;
    if (!chosen || !PathFromIdList(chosen.Get(), path)) {
        return WideString();
    }
    return path;
}

} // namespace brisel::platform
