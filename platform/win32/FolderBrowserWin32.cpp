#include "platform/FolderBrowser.h"

#include "platform/win32/Shell32.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

namespace brisel::platform {

namespace {

// An item-id list owned by the caller, freed with the shell's allocator.
class ItemIdList {
public:
    ItemIdList() = default;
    explicit ItemIdList(LPITEMIDLIST list) : list_(list) {}
    ~ItemIdList() {
        if (list_ == nullptr) {
            return;
        }
        IMalloc* allocator = nullptr;
        const auto getMalloc = Shell32().GetMalloc;
        if (getMalloc != nullptr && SUCCEEDED(getMalloc(&allocator)) && allocator != nullptr) {
            allocator->Free(list_);
            allocator->Release();
        }
    }
    ItemIdList(const ItemIdList&) = delete;
    ItemIdList& operator=(const ItemIdList&) = delete;

    LPITEMIDLIST Get() const { return list_; }
    LPITEMIDLIST* Out() { return &list_; }

private:
    LPITEMIDLIST list_ = nullptr;
};

// COM for the browser's lifetime; uninitialised only when this call
// initialised it.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

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
    if (message == BFFM_INITIALIZED) {
        const ItemIdList list(ParseDisplayNameToIdList(reinterpret_cast<const char*>(data)));
        if (list.Get() != nullptr) {
            SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(list.Get()));
        }
    }
    return 0;
}

} // namespace

std::string BrowseForFolder(void* ownerWindow, const std::string& root, const wchar_t* prompt,
                            const std::string& initialFolder) {
    const ComApartment com;
    ItemIdList rootList;
    if (!root.empty()) {
        *rootList.Out() = ParseDisplayNameToIdList(root.c_str());
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
    const ItemIdList chosen(browse(&request));
    if (chosen.Get() == nullptr) {
        return std::string();
    }
    char path[MAX_PATH] = {};
    if (!getPath(chosen.Get(), path)) {
        return std::string();
    }
    return std::string(path);
}

} // namespace brisel::platform
