// The text of the standard error report and the guard that turns an
// exception escaping an event handler into that report.
#pragma once

#include "core/AnsiString.h"

#include <functional>

namespace brisel {

class IFormView;

// The application title: the caption of every message box.
extern const char* const kApplicationTitle;

// The message followed by "." when it is not empty and its last character
// (its lead byte, for a double-byte character) is greater than ".".
String ErrorReportText(const String& message);

// Runs handler; an exception that escapes it is shown by the standard error
// report and swallowed, so the message loop goes on. True when it returned
// normally.
bool RunEventHandler(IFormView& view, const std::function<void()>& handler);

} // namespace brisel
