// UTF-8 and UTF-16 conversions for the host tools.
#pragma once

#include <string>
#include <string_view>

namespace brisel::tools {

void AppendUtf8(std::string& out, char32_t c);

// The character that starts at text[at] (at < text.size()) into c, and
// its length in bytes; 0 when the bytes there are no well-formed UTF-8.
std::size_t NextUtf8(std::string_view text, std::size_t at, char32_t& c);

// Decodes well-formed UTF-8; false on any malformed sequence.
bool DecodeUtf8(std::string_view text, std::u32string& out);

// True when text has a byte beyond ASCII.
bool HasNonAscii(std::string_view text);

// UTF-8 as UTF-16; throws std::invalid_argument on malformed UTF-8.
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace brisel::tools
