#include "WindowClass.h"

#include "SystemError.h"

namespace brisel::win32 {

void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HCURSOR cursor,
                         HBRUSH background) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"MAINICON");
    windowClass.hCursor = cursor;
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    if (RegisterClassExW(&windowClass) == 0) {
        const DWORD error = GetLastError();
        if (error != ERROR_CLASS_ALREADY_EXISTS) {
            RaiseWindowCreateError(error);
        }
    }
}

} // namespace brisel::win32
