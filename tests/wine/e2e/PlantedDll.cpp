// A DLL planted beside an executable under the name of a system DLL. When
// anything loads it, it leaves a marker file beside itself, so a test can
// see that it was loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(instance, path, MAX_PATH);
        wchar_t* name = wcsrchr(path, L'\\');
        if (name != nullptr) {
            wcscpy(name + 1, L"planted-dll-was-loaded.txt");
            HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
            if (marker != INVALID_HANDLE_VALUE) {
                CloseHandle(marker);
            }
        }
    }
    return TRUE;
}
