// The package's checksum table ("SUMS" "RESOURCE_PACKAGE",
// docs/COMPRESSED-PAYLOADS.md): for each resource the patch step may read
// (the stream, the stored new data, the payloads' records and raw
// payloads), its size and a CRC-32C of each 1 MiB piece, so that the
// installer can check its own data before it writes anything.
#pragma once

#include "ResourceTree.h"

#include <string>

namespace brisel::pe {

// Whether the patch step may read this resource, and the table covers it.
bool CoveredBySums(const ResourceKey& key);

// The table of the covered resources of tree, in the tree's order. Files
// are read in pieces; one that cannot be read, or no longer has the size
// recorded, raises tools::PackageError.
std::string ChecksumTable(const ResourceTree& tree);

} // namespace brisel::pe
