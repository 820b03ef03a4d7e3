// Failures of the window system that leave the program without a window:
// raised with the system's own text for the error, shown by the standard
// error report, and ending the program with a non-zero exit code.
#pragma once

#include "core/AnsiString.h"
#include "core/Exceptions.h"

#include <windows.h>

namespace brisel::win32 {

class EWindowCreateError : public Exception {
public:
    using Exception::Exception;
};

// The system's message for error as a Shift-JIS text without the line
// break the system ends it with; empty when the system has none.
String SystemErrorText(DWORD error);

// Raises EWindowCreateError with the system's text for error, or a text of
// our own when the system gives none (error 0 included).
[[noreturn]] void RaiseWindowCreateError(DWORD error);

} // namespace brisel::win32
