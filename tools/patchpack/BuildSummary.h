// What an installer carries, as patchpack prints it after a check or a
// build: each resource with its size and what it holds, the total and the
// installer's own size.
#pragma once

#include "common/PackagePlan.h"
#include "common/UserLanguage.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace brisel::tools {

struct InstallerFile {
    std::filesystem::path path;
    std::uint64_t size = 0;
};

std::string SummaryText(const PackagePlan& plan, const std::optional<InstallerFile>& installer,
                        Language language);

} // namespace brisel::tools
