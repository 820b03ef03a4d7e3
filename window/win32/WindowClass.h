// Registration of the program's window classes.
#pragma once

#include <windows.h>

namespace brisel::win32 {

// Registers the window class name once per process, with procedure, the
// program's icon, and cursor and background (none: the window sets its own
// cursor and paints its own background). A class that is already
// registered is kept; raises EWindowCreateError when the system refuses it.
void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                         HCURSOR cursor = nullptr, HBRUSH background = nullptr);

} // namespace brisel::win32
