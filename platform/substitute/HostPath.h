// Windows-style paths on the host: UTF-8, each "\" read as "/".
#pragma once

#include "core/WideString.h"

#include <string>

namespace brisel::substitute {

std::string HostPath(const WideString& path);

} // namespace brisel::substitute
