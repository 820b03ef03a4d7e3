// The application: restricts DLL loading, fixes the lead-byte set, sets the
// title, creates the main window and runs the message loop.
#pragma once

#include <windows.h>

namespace brisel {

// Runs the installer; always returns 0. An exception that escapes is shown
// by the standard error report.
int RunApplication(HINSTANCE instance, int showCommand);

} // namespace brisel
