// The double-byte characters of code page 932 as UTF-16: one row of 188
// characters per lead byte 0x81-0x9F, 0xE0-0xEF and 0xFA-0xFC, indexed by
// trail byte 0x40-0xFC without 0x7F; U+FFFD marks a code with no character.
// The user-defined rows 0xF0-0xF9 map onto the private use area from U+E000
// on, 188 characters a row, and have no table.
#pragma once

namespace brisel::tools {

constexpr int kCp932RowCount = 50;
constexpr int kCp932RowLength = 188;

extern const char16_t* const kCp932Rows[kCp932RowCount];

} // namespace brisel::tools
