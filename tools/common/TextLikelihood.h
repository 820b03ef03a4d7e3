// Which reading of a script saved without a byte-order mark its author
// meant, told by what each reading looks like rather than by how long the
// text is: UTF-8 text read as Shift-JIS turns into rare kanji with single
// half-width katakana between them (the UTF-8 continuation bytes), and
// Shift-JIS text read as UTF-8 into characters that no Japanese script can
// carry. And whether the bytes are text at all.
#pragma once

#include <string_view>

namespace brisel::tools {

// False when the code page 932 reading of bytes shows what UTF-8 read as
// Shift-JIS shows: a half-width katakana standing alone after a double-byte
// character, a user-defined or unused lead byte, or a pair that is no
// character.
bool ShiftJisReadingIsPlausible(std::string_view bytes);

// True when bytes are UTF-8 whose every character has a code page 932 form,
// as a script written in UTF-8 for the installer has.
bool Utf8ReadingIsPlausible(std::string_view bytes);

// True when the start of bytes is no text: more than one in twenty of its
// first 4 KiB are control characters other than tab, line ends, form feed
// and the end-of-file mark 0x1A.
bool LooksBinary(std::string_view bytes);

} // namespace brisel::tools
