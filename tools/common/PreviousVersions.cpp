#include "PreviousVersions.h"

#include <algorithm>

namespace brisel::tools {

namespace {

// The folder, or its files/ when it has one.
PreviousFolder LaidOutLikeFiles(const PackageFolder& folder, std::string shown) {
    const Item files = folder.Locate(Area::Package, {"files"});
    if (files.kind == ItemKind::Folder) {
        return {std::move(shown), files.physical, true};
    }
    return {std::move(shown), folder.Root(), false};
}

} // namespace

bool IsPreviousFolderName(const std::string& name) {
    const std::string stem = "previous";
    return name == stem || (name.size() > stem.size() + 1 &&
                            name.compare(0, stem.size(), stem) == 0 && name[stem.size()] == '-');
}

std::vector<PreviousFolder> PackagePreviousFolders(const PackageFolder& package) {
    std::vector<std::string> names = package.List(package.Locate(Area::Package, {}));
    std::sort(names.begin(), names.end());
    std::vector<PreviousFolder> found;
    for (const auto& name : names) {
        if (!IsPreviousFolderName(name)) {
            continue;
        }
        const Item item = package.Locate(Area::Package, {name});
        if (item.kind == ItemKind::Folder) {
            found.push_back(LaidOutLikeFiles(PackageFolder(package.Host(), item.physical), name));
        }
    }
    return found;
}

PreviousFolder GivenPreviousFolder(IHostFiles& host, const std::string& given) {
    std::string shown = given;
    while (shown.size() > 1 && (shown.back() == '/' || shown.back() == '\\')) {
        shown.pop_back();
    }
    return LaidOutLikeFiles(PackageFolder(host, std::filesystem::u8path(given)), shown);
}

} // namespace brisel::tools
