// Locale services: the lead-byte ranges of the system's ANSI code page and
// the user's case-insensitive text equality.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace brisel::platform {

// Lead-byte ranges of the ANSI code page; empty on a single-byte system.
std::vector<std::pair<unsigned char, unsigned char>> SystemLeadByteRanges();

// True when the user's default locale compares a and b, whole, as equal
// with letter case ignored and nothing else ignored.
bool LocaleSameText(std::string_view a, std::string_view b);

} // namespace brisel::platform
