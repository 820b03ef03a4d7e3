// DLLs the installer loads itself, always from the system directory by
// their full path, and their functions looked up by name: a function the
// system lacks (or a DLL that cannot be loaded) is null, and the caller
// does without.
#pragma once

#include <windows.h>

namespace brisel::win32 {

// The DLL of this name (L"shell32.dll") from the system directory, its own
// dependencies looked for there too; stays loaded for the process. Null
// when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The module's export of that name; null when it has none or module is null.
void* Export(HMODULE module, const char* name);

// Sets function to the module's export of that name, or to null; true
// when it was found.
template <typename Function> bool Resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(Export(module, name));
    return function != nullptr;
}

} // namespace brisel::win32
