#include "platform/PackageResources.h"

#include <windows.h>

namespace brisel::platform {

std::optional<std::string_view> FindPackageResource(const char* type, const char* name) {
    HRSRC info = FindResourceA(nullptr, name, type);
    if (info == nullptr) {
        return std::nullopt;
    }
    const DWORD size = SizeofResource(nullptr, info);
    HGLOBAL handle = LoadResource(nullptr, info);
    if (handle == nullptr) {
        return std::nullopt;
    }
    // Resources of the image stay mapped for the life of the process and
    // need no release.
    const void* data = LockResource(handle);
    if (data == nullptr) {
        return size == 0 ? std::optional<std::string_view>(std::string_view()) : std::nullopt;
    }
    return std::string_view(static_cast<const char*>(data), size);
}

} // namespace brisel::platform
