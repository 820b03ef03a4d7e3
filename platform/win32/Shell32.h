// The shell functions the installer calls, taken from shell32.dll at run
// time instead of being imported. A static import would be resolved before
// the program restricts DLL loading to the system directory, and with it
// the shell's own dependencies, which some systems then look for beside the
// executable first (a DLL planted in a Downloads folder would be loaded).
// Loaded by its full system path, shell32 and its dependencies come from
// the system directory only.
#pragma once

#include <windows.h>

#include <shlobj.h>

namespace brisel::platform {

struct Shell32Functions {
    decltype(&::SHGetMalloc) GetMalloc = nullptr;
    decltype(&::SHGetSpecialFolderLocation) GetSpecialFolderLocation = nullptr;
    decltype(&::SHGetPathFromIDListA) GetPathFromIDListA = nullptr;
    decltype(&::SHGetDesktopFolder) GetDesktopFolder = nullptr;
    decltype(&::SHBrowseForFolderW) BrowseForFolderW = nullptr;
};

// The functions, loaded on first use; a function the system lacks is null.
const Shell32Functions& Shell32();

} // namespace brisel::platform
