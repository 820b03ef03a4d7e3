// The shell functions the installer calls, taken from shell32.dll at run
// time instead of being imported. A static import would be resolved before
// the program restricts DLL loading to the system directory, and with it
// the shell's own dependencies, which some systems then look for beside the
// executable first (a DLL planted in a Downloads folder would be loaded).
// Loaded by its full system path, shell32 and its dependencies come from
// the system directory only.
#pragma once

#include <windows.h>

#include "core/WideString.h"

#include <shlobj.h>

namespace brisel::platform {

struct Shell32Functions {
    decltype(&::SHGetMalloc) GetMalloc = nullptr;
    decltype(&::SHGetSpecialFolderLocation) GetSpecialFolderLocation = nullptr;
    decltype(&::SHGetPathFromIDListW) GetPathFromIDListW = nullptr;
    // Takes a buffer of any size (Vista and later); null before.
    BOOL(WINAPI* GetPathFromIDListEx)(LPCITEMIDLIST, PWSTR, DWORD, int) = nullptr;
    decltype(&::SHGetDesktopFolder) GetDesktopFolder = nullptr;
    decltype(&::SHBrowseForFolderW) BrowseForFolderW = nullptr;
};

// The functions, loaded on first use; a function the system lacks is null.
const Shell32Functions& Shell32();

// The file-system path of the item list: any length where the system
// allows it, else at most 259 units. False when the item has none.
bool PathFromIdList(LPCITEMIDLIST list, WideString& path);

} // namespace brisel::platform
