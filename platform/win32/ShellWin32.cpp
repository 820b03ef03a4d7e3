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
const IID kIidShellLinkA = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidPersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Loads the file at widePath into link with the storage mode. True only
// when the load returned S_OK; S_FALSE counts as failure.
bool LoadShortcutFile(IShellLinkA& link, const wchar_t* widePath, DWORD mode) {
    win32::ComPtr<IPersistFile> file;
    if (link.QueryInterface(kIidPersistFile, file.ReceiveVoid()) != S_OK || !file) {
        return false;
    }
    return file->Load(widePath, mode) == S_OK;
}

} // namespace

bool GetSpecialFolderPath(int csidl, std::string& path) {
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
    char buffer[MAX_PATH] = {};
    if (shell.GetPathFromIDListA == nullptr || !shell.GetPathFromIDListA(list.Get(), buffer)) {
        return false;
    }
    buffer[MAX_PATH - 1] = '\0';
    path = buffer;
    return true;
}

bool ReadShortcutTarget(const std::string& linkPath, std::string& target) {
    // Declared first: COM is uninitialised after the interfaces are released.
    const win32::ComApartment apartment;
    win32::ComPtr<IShellLinkA> link;
    if (CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA,
                         link.ReceiveVoid()) != S_OK ||
        !link) {
        return false;
    }
    // The shell takes at most MAX_PATH units, terminator included.
    const win32::WideText widePath = win32::FromAnsi(linkPath);
    if (widePath.empty() || widePath.size() >= MAX_PATH) {
        return false;
    }
    if (!LoadShortcutFile(*link.Get(), widePath.c_str(), STGM_READ)) {
        return false;
    }
    // The shell may write nothing when it cannot read the target.
    char buffer[MAX_PATH] = {};
    WIN32_FIND_DATAA unused{};
    link->GetPath(buffer, MAX_PATH, &unused, SLGP_UNCPRIORITY);
    buffer[MAX_PATH - 1] = '\0';
    target = buffer;
    return true;
}

} // namespace brisel::platform
