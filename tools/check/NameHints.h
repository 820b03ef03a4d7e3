// Names in the package folder that are close to one the tools look for: the
// same but for letter case ("Script.txt", "Files"), or with the extension
// given twice ("script.txt.txt": Explorer hides known extensions, so an
// author who types one adds a second), so that a missing file's finding
// says what to rename instead of only that it is missing.
#pragma once

#include "Finding.h"
#include "common/PackageFolder.h"

#include <optional>
#include <string>
#include <vector>

namespace brisel::tools {

struct NearName {
    std::string found;
    std::string doubledExtension; // ".txt" when found is wanted + ".txt"; else empty
};

std::optional<NearName> FindNearName(const std::vector<std::string>& names,
                                     const std::string& wanted);

// The finding for a file or folder of the package folder that is missing
// under every name of wanted: a hint to rename the first near name found, or
// missing (with place) when there is none.
Finding MissingFromPackage(const PackageFolder& folder, const std::vector<std::string>& wanted,
                           MessageId missing, const std::string& place);

} // namespace brisel::tools
