// Conversions of the installer's byte strings to the UTF-16 of the wide
// window functions.
#pragma once

#include "platform/win32/WideBuffer.h"
#include "support/AnsiString.h"

namespace brisel::win32 {

using platform::WideBuffer;

constexpr unsigned kShiftJisCodePage = 932;

// The program's own texts and the script's values are Shift-JIS whatever
// the system's code page is.
WideBuffer FromShiftJis(const String& text);

// Paths came from the system in its ANSI code page.
WideBuffer FromAnsi(const String& text);

} // namespace brisel::win32
