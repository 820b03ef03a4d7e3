#include "platform/FolderBrowser.h"

#include "platform/Shell.h"

#include "platform/win32/Shell32.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

namespace brisel::platform {

namespace {

// The shell's item-id lists, held by the owner of platform/Shell.h, which
// frees them with the shell's allocator.
ItemIdListObject* AsObject(LPITEMIDLIST list) {
    return reinterpret_cast<ItemIdListObject*>(list);
}

LPITEMIDLIST AsPidl(const ItemIdListObject* list) {
    return reinterpret_cast<LPITEMIDLIST>(const_cast<ItemIdListObject*>(list));
}

// COM for the browser's lifetime; uninitialised only when this call
// initialised it.
class BrowserComApartment {
public:
    BrowserComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~BrowserComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    BrowserComApartment(const BrowserComApartment&) = delete;
    BrowserComApartment& operator=(const BrowserComApartment&) = delete;

private:
    HRESULT result_;
};

template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    Interface* operator->() const { return pointer_; }
    Interface** Out() { return &pointer_; }
    bool Valid() const { return pointer_ != nullptr; }

private:
    Interface* pointer_ = nullptr;
};

// The path as an item-id list of the desktop's namespace, or none.
LPITEMIDLIST ParseDisplayNameToIdList(const char* path) {
    ComPtr<IShellFolder> desktop;
    const auto getDesktop = Shell32().GetDesktopFolder;
    if (getDesktop == nullptr || FAILED(getDesktop(desktop.Out())) || !desktop.Valid()) {
        return nullptr;
    }
    wchar_t wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, -1, wide, MAX_PATH) == 0) {
        return nullptr; // does not fit, terminator included
    }
    LPITEMIDLIST list = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &list, nullptr))) {
        return nullptr;
    }
    return list;
}

// Preselects the initial folder (the callback parameter) once the browser
// is up; a path that cannot be parsed leaves the default selection.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    ShellAllocator allocator;
    if (message == BFFM_INITIALIZED && GetShellAllocator(allocator.Receive())) {
        ItemIdList list(allocator);
        list.Receive() = AsObject(ParseDisplayNameToIdList(reinterpret_cast<const char*>(data)));
        if (list.Get() != nullptr) {
            SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE,
                         reinterpret_cast<LPARAM>(AsPidl(list.Get())));
        }
    }
    return 0;
}

} // namespace

std::string BrowseForFolder(void* ownerWindow, const std::string& root, const wchar_t* prompt,
                            const std::string& initialFolder) {
    const BrowserComApartment com;
    // Every list the browser hands out is freed with this allocator.
    ShellAllocator allocator;
    if (!GetShellAllocator(allocator.Receive())) {
        return std::string();
    }
    ItemIdList rootList(allocator);
    if (!root.empty()) {
        rootList.Receive() = AsObject(ParseDisplayNameToIdList(root.c_str()));
    }
    BROWSEINFOW request{};
    request.hwndOwner = static_cast<HWND>(ownerWindow);
    request.pidlRoot = AsPidl(rootList.Get());
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
    ItemIdList chosen(allocator);
    chosen.Receive() = AsObject(browse(&request));
    if (chosen.Get() == nullptr) {
        return std::string();
    }
    char path[MAX_PATH] = {};
    if (!getPath(AsPidl(chosen.Get()), path)) {
        return std::string();
    }
    return std::string(path);
}

} // namespace brisel::platform
