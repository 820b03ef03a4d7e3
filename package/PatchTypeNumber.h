// The number rule of the script's "*PatchType" value.
#pragma once

#include "core/AnsiString.h"

#include <cstdint>
#include <optional>

namespace brisel {

// Reads text as a 32-bit whole number: decimal with an optional "+" or "-",
// or hexadecimal after "$", "x", "X", "0x" or "0X" (no sign before a hex
// prefix). Hexadecimal takes up to eight significant digits, 0 to FFFFFFFF,
// as the 32-bit pattern of the result, so "$FFFFFFFF" is -1. Anything else,
// the empty text included, is not a number.
std::optional<std::int32_t> ParseScriptInteger(const String& text);

// The patch type from the value of "*PatchType": absent gives 0, a value
// that is not a number gives 1.
std::int32_t PatchTypeFromValue(const std::optional<String>& value);

} // namespace brisel
