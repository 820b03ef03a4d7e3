// The application: restricts DLL loading, fixes the lead-byte set, sets the
// title, creates the main window and runs the message loop.
#pragma once

#include <windows.h>

namespace brisel {

// Runs the installer and returns its exit code: 0, also after an exception
// that escaped and was shown by the standard error report; 1 when the
// window system cannot create the windows, after the report (with the
// system's text) has been attempted.
int RunApplication(HINSTANCE instance, int showCommand);

} // namespace brisel
