#include "platform/PackageResources.h"

#include "SubstituteStore.h"

namespace brisel::substitute {

std::map<std::pair<std::string, std::string>, std::string>& PackageResources() {
    static std::map<std::pair<std::string, std::string>, std::string> resources;
    return resources;
}

} // namespace brisel::substitute

namespace brisel::platform {

std::optional<std::string_view> FindPackageResource(const char* type, const char* name) {
    const auto& resources = substitute::PackageResources();
    const auto found = resources.find({type, name});
    if (found == resources.end()) {
        return std::nullopt;
    }
    return std::string_view(found->second);
}

} // namespace brisel::platform
