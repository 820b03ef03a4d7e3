// Conversion of Shift-JIS (code page 932) bytes to UTF-8 for the host tools.
#pragma once

#include <string>
#include <string_view>

namespace brisel::tools {

// Each well-formed character becomes its UTF-8 form; a byte that does not
// start a valid character becomes U+FFFD and conversion goes on after it.
std::string Cp932ToUtf8(std::string_view bytes);

// True when every byte belongs to a well-formed code page 932 character.
bool IsValidCp932(std::string_view bytes);

// The reverse, for arguments typed on a UTF-8 terminal. Characters without a
// code page 932 form make the conversion fail (returns false).
bool Utf8ToCp932(std::string_view text, std::string& out);

} // namespace brisel::tools
