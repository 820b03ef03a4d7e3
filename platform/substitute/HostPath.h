// Windows-style paths on the host: each single-byte "\" read as "/" (a
// trail byte 0x5C of a double-byte character stays).
#pragma once

#include <string>

namespace brisel::substitute {

std::string HostPath(const std::string& path);

} // namespace brisel::substitute
