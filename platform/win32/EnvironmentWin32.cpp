#include "platform/Environment.h"

#include <windows.h>

namespace brisel::platform {

std::uint32_t ExpandEnvironment(const char* source, char* buffer, std::uint32_t size) {
    return ExpandEnvironmentStringsA(source, buffer, size);
}

} // namespace brisel::platform
