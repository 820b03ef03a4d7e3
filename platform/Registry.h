// Read-only access to the system registry: opening a key for reading,
// querying a value and closing a key.
#pragma once

#include "core/UniqueHandle.h"

#include <cstdint>

namespace brisel::platform {

// A registry key handle: one of the predefined root keys or a key opened by
// OpenRegistryKeyRead. kNoRegistryKey stands for no key.
using RegistryKey = std::uintptr_t;
constexpr RegistryKey kNoRegistryKey = 0;

// The predefined root key with the given number (0x80000000 for the classes
// root ...): the number sign-extended to the width of a handle, as the
// system defines its predefined keys.
constexpr RegistryKey PredefinedRegistryKey(std::uint32_t number) {
    return static_cast<RegistryKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(number)));
}

// Value types of the registry.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

// Names of keys and values are Shift-JIS texts; string values arrive as
// UTF-16 (data holds its units in the platform's byte order).

// Opens the key name below base with read access only (one attempt). On
// success stores the new key in opened, which the caller closes.
bool OpenRegistryKeyRead(RegistryKey base, const char* name, RegistryKey& opened);

// Queries the value name of key. With data null, only type and size (bytes)
// are reported; otherwise size is the capacity of data on entry and the
// number of bytes written on return. False when the key or value does not
// exist or data is too small for the value (size then holds the size needed).
bool QueryRegistryValue(RegistryKey key, const char* name, std::uint32_t& type, unsigned char* data,
                        std::uint32_t& size);

// Closes a key opened by OpenRegistryKeyRead.
void CloseRegistryKey(RegistryKey key);

struct RegistryKeyTraits {
    using Handle = RegistryKey;
    static Handle Invalid() { return kNoRegistryKey; }
    static bool Close(Handle key) {
        CloseRegistryKey(key);
        return true;
    }
};
// A key opened by OpenRegistryKeyRead, closed by its owner.
using OpenedRegistryKey = UniqueHandle<RegistryKeyTraits>;

} // namespace brisel::platform
