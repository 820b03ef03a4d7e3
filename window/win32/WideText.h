// Conversions between the installer's byte strings and the UTF-16 of the
// wide window functions.
#pragma once

#include "support/AnsiString.h"

#include <string>

namespace brisel::win32 {

constexpr unsigned kShiftJisCodePage = 932;

// The program's own texts and the script's values are Shift-JIS whatever
// the system's code page is.
std::wstring FromShiftJis(const String& text);

// Paths came from the system in its ANSI code page.
std::wstring FromAnsi(const String& text);

} // namespace brisel::win32
