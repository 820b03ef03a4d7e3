// Expansion of environment-variable references ("%NAME%").
#pragma once

#include "core/WideString.h"

namespace brisel::platform {

// source with every reference to a defined variable replaced by its value.
// False, expanded unchanged, when the system cannot expand it.
bool ExpandEnvironment(const WideString& source, WideString& expanded);

} // namespace brisel::platform
