// Case-insensitive text equality as the user's locale sees it.
#pragma once

#include "core/AnsiString.h"

namespace brisel {

// Whole-text equality with letter case ignored, and nothing else ignored.
bool SameText(const String& a, const String& b);

} // namespace brisel
