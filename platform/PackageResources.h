// Access to the items the executable carries: typed, named resources.
#pragma once

#include <optional>
#include <string_view>

namespace brisel::platform {

// The bytes of the resource of the given type and name, which stay valid
// for the life of the process; nullopt when there is no such resource.
std::optional<std::string_view> FindPackageResource(const char* type, const char* name);

} // namespace brisel::platform
