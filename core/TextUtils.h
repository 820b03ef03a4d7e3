// Small text helpers shared by the script reader, the registry reader and
// the window: trimming, path joining and double-byte-aware replacement.
#pragma once

#include "core/AnsiString.h"

namespace brisel {

// Removes every byte 0x00-0x20 from both ends; bytes 0x80-0xFF stay.
String Trim(const String& text);

// Prefix of path up to and including the last "\" or ":" that is not a
// trail byte; empty when there is none.
String DirectoryOfPath(const String& path);

// Path with a single-byte "\" at its end (an empty path gives "\").
String WithTrailingBackslash(const String& path);

// Replaces every non-overlapping occurrence of from with to, left to right,
// skipping occurrences whose first byte is a trail byte. Replaced bytes are
// not scanned again.
String ReplaceAllMbcs(const String& text, const String& from, const String& to);

} // namespace brisel
