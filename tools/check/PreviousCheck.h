// Checks of the folders of previous versions that deltas are made from: a
// folder that holds the new version (every payload found there equals the
// one in files/), a single file that equals its new version, a folder laid
// out as a package (read as its files/), and a folder in which no payload is
// found at all.
#pragma once

#include "Finding.h"
#include "ScriptCheck.h"
#include "common/PackageFolder.h"
#include "common/PreviousVersions.h"

#include <vector>

namespace brisel::tools {

void CheckPreviousVersions(const PackageFolder& package, const ScriptFacts& facts,
                           const std::vector<PreviousFolder>& previous,
                           std::vector<Finding>& findings);

} // namespace brisel::tools
