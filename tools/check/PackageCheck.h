// The package check: every mistake in a package folder that would make a
// broken or unsafe installer (errors) or one that probably does not work as
// meant (warnings), found without opening anything outside the folder.
#pragma once

#include "Finding.h"
#include "common/PackageFolder.h"
#include "common/PreviousVersions.h"

#include <filesystem>
#include <string>
#include <vector>

namespace brisel::tools {

// A file a build will write, named by the option that gave it.
struct OutputTarget {
    std::string option; // "--out"
    std::filesystem::path path;
    bool makesFolders = false; // the build creates the folders it lacks
};

// Findings in the order an author reads them: the script by line, the
// background, the payload files, the previous versions (the package's own
// and those given with --from), the outputs.
std::vector<Finding> CheckPackage(const PackageFolder& folder,
                                  const std::vector<OutputTarget>& outputs = {},
                                  const std::vector<PreviousFolder>& given = {});

bool IsOutputFinding(const Finding& finding);

// A finding that --force cannot override: an output in the wrong place, or
// a script that cannot be read as text.
bool IsUnforceable(const Finding& finding);

} // namespace brisel::tools
