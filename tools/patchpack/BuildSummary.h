// What an installer carries, as patchpack prints it after a check or a
// build: each resource with its size and what it holds, the total and the
// installer's own size. For a compressed build each payload's row says
// whether it is stored raw or in the LZMA stream, with its original size
// and the ratio, and the stream has a row of its own. A payload carried as
// deltas names the previous versions (previous/ folders in the package, or
// --from folders) and the share of each delta; each previous version has a
// row with the share of all its deltas.
#pragma once

#include "InstallerBuild.h"
#include "common/PackagePlan.h"
#include "common/UserLanguage.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace brisel::tools {

struct InstallerFile {
    std::filesystem::path path;
    std::uint64_t size = 0;
};

std::string SummaryText(const PackagePlan& plan, const std::optional<InstallerFile>& installer,
                        Language language, const PayloadStorage& storage = {},
                        const std::vector<std::string>& previous = {});

} // namespace brisel::tools
