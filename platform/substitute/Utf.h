// UTF-8 and UTF-16 for the host substitutes: the host names files in UTF-8,
// the logic holds the system's paths as UTF-16.
#pragma once

#include "core/WideString.h"

#include <string>
#include <string_view>

namespace brisel::substitute {

// A malformed sequence or a lone surrogate becomes U+FFFD.
std::string Utf8(const WideString& text);
WideString FromUtf8(std::string_view text);

} // namespace brisel::substitute
