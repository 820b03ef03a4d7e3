// Locale services: the user's case-insensitive text equality.
#pragma once

#include <string_view>

namespace brisel::platform {

// True when the user's default locale compares a and b (Shift-JIS texts),
// whole, as equal with letter case ignored and nothing else ignored.
bool LocaleSameText(std::string_view a, std::string_view b);

} // namespace brisel::platform
