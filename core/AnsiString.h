// Byte strings in the system's ANSI code page (Shift-JIS for every text the
// installer itself carries). Positions are 1-based where the text says so.
#pragma once

#include <cstddef>
#include <string>

namespace brisel {

using String = std::string;

// The byte at 1-based position pos; raises ERangeError outside 1 ... length.
unsigned char ByteAt(const String& text, std::size_t pos);

} // namespace brisel
