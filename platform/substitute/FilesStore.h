// What the host disk cannot show the substitute of platform/GameFolder.h:
// who made a link, and which files another program holds.
#pragma once

#include "core/LinkRule.h"

#include <map>
#include <string>
#include <vector>

namespace brisel::substitute {

struct FilesStore {
    // Who made the link at a host path; a link not listed is of unknown
    // maker, as on a disk that keeps no owners.
    std::map<std::string, LinkMaker> linkMakers;
    // The programs (UTF-8) holding the file at a host path.
    std::map<std::string, std::vector<std::string>> held;
};

FilesStore& Files();
void ResetFiles();

} // namespace brisel::substitute
