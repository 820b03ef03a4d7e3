// Folders that hold previous versions of the game's files, for deltas: the
// package folder's own previous/ and previous-<version>/ folders (for
// example previous-1.0/ and previous-1.1/), and the folders given with
// --from. Each is laid out like files/; one laid out as a package (with a
// files/ folder of its own) is read as that files/ folder.
#pragma once

#include "PackageFolder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace brisel::tools {

struct PreviousFolder {
    std::string shown;            // "previous-1.0", or the --from folder as given
    std::filesystem::path folder; // laid out like files/: the folder or its files/
    bool packageLayout = false;   // folder is the files/ of the folder shown
};

// True for "previous" and "previous-<version>" with a version of any length.
bool IsPreviousFolderName(const std::string& name);

// The package folder's previous-version folders inside it, sorted by name.
std::vector<PreviousFolder> PackagePreviousFolders(const PackageFolder& package);

// A folder given with --from (an existing folder).
PreviousFolder GivenPreviousFolder(IHostFiles& host, const std::string& given);

} // namespace brisel::tools
