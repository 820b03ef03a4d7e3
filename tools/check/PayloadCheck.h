// Checks of the "%OutFiles" entries and their payload files: names that
// would write outside the game folder or another file than meant, payloads
// that are missing or not plain files inside files/, and files that no
// entry uses.
#pragma once

#include "Finding.h"
#include "ScriptCheck.h"
#include "common/PackageFolder.h"

#include <vector>

namespace brisel::tools {

void CheckPayloads(const PackageFolder& folder, const ScriptFacts& facts,
                   std::vector<Finding>& findings);

} // namespace brisel::tools
