// The shell services on Win32: special folders through their item-id lists,
// shortcut files through the shell-link object.
#include "platform/Shell.h"

#include "platform/win32/Com.h"
#include "platform/win32/Shell32.h"
#include "platform/win32/WideText.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace brisel::platform {

static_assert(kCsidlPrograms == CSIDL_PROGRAMS && kCsidlCommonPrograms == CSIDL_COMMON_PROGRAMS);

namespace {

// The identities are spelled out here so that no import library of GUIDs is
// needed.
const CLSID kClsidShellLink = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidShellLinkW = {
    0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidPersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The longest path the system has, terminator included.
constexpr std::size_t kLongestPath = 32768;

// Loads the file at widePath into link with the storage mode. True only
// when the load returned S_OK; S_FALSE counts as failure.
bool LoadShortcutFile(IShellLinkW& link, const wchar_t* widePath, DWORD mode) {
    win32::ComPtr<IPersistFile> file;
    if (link.QueryInterface(kIidPersistFile, file.ReceiveVoid()) != S_OK || !file) {
        return false;
    }
    return file->Load(widePath, mode) == S_OK;
}

} // namespace

bool GetSpecialFolderPath(int csidl, WideString& path) {
    const auto& shell = Shell32();
    // Held while the list lives, which is freed with it.
    win32::ShellAllocator allocator;
    if (shell.GetMalloc == nullptr || shell.GetMalloc(allocator.Receive()) != S_OK || !allocator) {
        return false;
    }
    win32::ItemIdList list;
    if (shell.GetSpecialFolderLocation == nullptr ||
        shell.GetSpecialFolderLocation(GetDesktopWindow(), csidl, list.Receive()) != S_OK ||
        !list) {
        return false;
    }
    return PathFromIdList(list.Get(), path);
}

bool ReadShortcutTarget(const WideString& linkPath, WideString& target) {
    // Declared first: COM is uninitialised after the interfaces are released.
    const win32::ComApartment apartment;
    win32::ComPtr<IShellLinkW> link;
    if (linkPath.empty() ||
        CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkW,
                         link.ReceiveVoid()) != S_OK ||
        !link) {
        return false;
    }
    if (!LoadShortcutFile(*link.Get(), win32::Wide(linkPath), STGM_READ)) {
        return false;
    }
    // The item list names the target in Unicode and at any length; the path
    // stored beside it may be in the code page of the system that wrote the
    // link. A link without a list, or whose list is no file-system item,
    // gives the stored path.
    {
        // Held while the list lives, which is freed with it.
        win32::ShellAllocator allocator;
        const auto getMalloc = Shell32().GetMalloc;
        win32::ItemIdList list;
        if (getMalloc != nullptr && getMalloc(allocator.Receive()) == S_OK && allocator &&
            link->GetIDList(list.Receive()) == S_OK && list && PathFromIdList(list.Get(), target)) {
            return true;
        }
    }
    // A buffer for the longest path the system has; the shell may write
    // nothing when it cannot read the target.
    WideString buffer(kLongestPath, u'\0');
    WIN32_FIND_DATAW unused{};
    link->GetPath(win32::Wide(buffer), static_cast<int>(buffer.size()), &unused, SLGP_UNCPRIORITY);
    buffer.back() = u'\0';
    target = buffer.c_str();
    return true;
}

} // namespace brisel::platform
