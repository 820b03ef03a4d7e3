#include "platform/Registry.h"

#include "platform/win32/WideText.h"

#include <windows.h>

namespace brisel::platform {

static_assert(sizeof(RegistryKey) == sizeof(HKEY));
static_assert(kRegSz == REG_SZ && kRegExpandSz == REG_EXPAND_SZ && kRegBinary == REG_BINARY &&
              kRegDword == REG_DWORD && kRegMultiSz == REG_MULTI_SZ && kRegNone == REG_NONE);

namespace {

HKEY ToHkey(RegistryKey key) {
    return reinterpret_cast<HKEY>(key);
}

} // namespace

bool OpenRegistryKeyRead(RegistryKey base, const char* name, RegistryKey& opened) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(ToHkey(base), win32::Wide(win32::FromShiftJis(name)), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    opened = reinterpret_cast<RegistryKey>(key);
    return true;
}

bool QueryRegistryValue(RegistryKey key, const char* name, std::uint32_t& type, unsigned char* data,
                        std::uint32_t& size) {
    DWORD valueType = REG_NONE;
    DWORD valueSize = data == nullptr ? 0 : size;
    const LONG result = RegQueryValueExW(ToHkey(key), win32::Wide(win32::FromShiftJis(name)),
                                         nullptr, &valueType, data, &valueSize);
    type = valueType;
    size = valueSize;
    return result == ERROR_SUCCESS;
}

void CloseRegistryKey(RegistryKey key) {
    RegCloseKey(ToHkey(key));
}

} // namespace brisel::platform
