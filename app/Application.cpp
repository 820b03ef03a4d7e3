#include "app/Application.h"

#include "support/Mbcs.h"

namespace brisel {

namespace {

// Later LoadLibrary calls (the shell and the window system load DLLs on
// demand) search only the system directory, never the folder the installer
// was started from. Looked up at run time: older systems lack the call.
void RestrictDllSearchToSystemDirectory() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) {
        return;
    }
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) {
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

} // namespace

int RunApplication(HINSTANCE, int) {
    RestrictDllSearchToSystemDirectory();
    ProcessLeadBytes();
    return 0;
}

} // namespace brisel
