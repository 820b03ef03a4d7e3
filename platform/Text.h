// The one conversion of the script's texts for the system: the script is
// Shift-JIS (code page 932) whatever the system's ANSI code page is.
#pragma once

#include "core/WideString.h"

#include <string>
#include <string_view>

namespace brisel::platform {

// text, Shift-JIS, as UTF-16; a byte that starts no valid character gives
// the replacement the system chooses.
WideString FromShiftJis(std::string_view text);

// text as Shift-JIS bytes, for the installer's messages; a character that
// Shift-JIS has not becomes "?".
std::string ToShiftJis(const WideString& text);

} // namespace brisel::platform
