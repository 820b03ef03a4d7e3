// DLLs the installer loads itself, always from the system directory by
// full path, never from the folder it was started from.
#pragma once

#include <windows.h>

namespace brisel::win32 {

// The system DLL of that name (e.g. L"shell32.dll"), loaded; null when it
// cannot be loaded. It stays loaded for the process.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of module by name; null when the module or function is absent.
template <typename Function> Function FindFunction(HMODULE module, const char* name) {
    return module == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace brisel::win32
