// Conversions between Shift-JIS (code page 932) and Unicode for the host
// tools, with the tools' own table, so that every host converts alike.
#pragma once

#include <string>
#include <string_view>

namespace brisel::tools {

// Each well-formed character becomes its UTF-8 form; a byte that does not
// start a valid character becomes U+FFFD and conversion goes on after it.
std::string Cp932ToUtf8(std::string_view bytes);

// True when every byte belongs to a well-formed code page 932 character.
bool IsValidCp932(std::string_view bytes);

// Appends the code page 932 form of c: the code Windows writes for it, or
// for the characters that JIS-based converters give for code page 932's
// codes (WAVE DASH U+301C for 0x8160 and the like), that code. False, with
// out unchanged, when code page 932 has no such character.
bool AppendCp932(std::string& out, char32_t c);

// The reverse, for arguments typed on a UTF-8 terminal. Characters without a
// code page 932 form make the conversion fail (returns false).
bool Utf8ToCp932(std::string_view text, std::string& out);

} // namespace brisel::tools
