#include "NameHints.h"

#include <algorithm>

namespace brisel::tools {

namespace {

bool FoldedEqual(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        return fold(x) == fold(y);
    });
}

std::string Extension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

} // namespace

std::optional<NearName> FindNearName(const std::vector<std::string>& names,
                                     const std::string& wanted) {
    const std::string extension = Extension(wanted);
    for (const auto& name : names) {
        if (name != wanted && FoldedEqual(name, wanted)) {
            return NearName{name, ""};
        }
        if (!extension.empty() && FoldedEqual(name, wanted + extension)) {
            return NearName{name, extension};
        }
    }
    return std::nullopt;
}

Finding MissingFromPackage(const PackageFolder& folder, const std::vector<std::string>& wanted,
                           MessageId missing, const std::string& place) {
    std::vector<std::string> names = folder.List(folder.Locate(Area::Package, {}));
    std::sort(names.begin(), names.end());
    for (const auto& name : wanted) {
        if (const auto near = FindNearName(names, name)) {
            if (near->doubledExtension.empty()) {
                return {MessageId::PackageFileMisnamed, place, 0, {near->found, name}};
            }
            return {MessageId::PackageFileDoubledExtension,
                    place,
                    0,
                    {near->found, name, near->doubledExtension}};
        }
    }
    return {missing, place, 0, {}};
}

} // namespace brisel::tools
