// Expansion of environment-variable references ("%NAME%").
#pragma once

#include <cstdint>

namespace brisel::platform {

// Writes source with every reference to a defined variable replaced by its
// value into buffer, a zero-terminated text of at most size bytes. Returns
// the size the expansion needs, terminator included: larger than size when
// it did not fit (buffer then holds no usable text), 0 on failure.
std::uint32_t ExpandEnvironment(const char* source, char* buffer, std::uint32_t size);

} // namespace brisel::platform
