// The package's checksum table ("SUMS" "RESOURCE_PACKAGE", see
// docs/COMPRESSED-PAYLOADS.md): the size of each resource the patch step
// may read and a CRC-32C of each of its pieces, so that the installer's own
// data can be checked before the first file is written. An installer
// written with --store carries none: nothing is checked, as before.
#pragma once

#include "PieceObserver.h"
#include "core/AnsiString.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace brisel {

struct PackageResource {
    String type;
    String name;
};

class PackageSums {
public:
    // Finds and reads the package's table.
    PackageSums();

    // Whether the package carries a table; without one every check passes
    // at once.
    bool Carried() const { return carried_; }
    // Whether the table does not parse or its own checksum differs: every
    // check then fails.
    bool Damaged() const { return damaged_; }

    // The bytes that checking these resources reads: their sizes as the
    // table gives them (0 for those it lacks, and without a table).
    std::uint64_t BytesToCheck(const std::vector<PackageResource>& resources) const;

    // Checks the resource piece by piece against the table, telling
    // observer after each piece. False (damaged) when the table is damaged
    // or lacks the resource, or the resource is absent, of another size
    // than the table gives, or a piece differs; true without a table.
    bool Check(const PackageResource& resource, PieceObserver& observer) const;

private:
    struct Entry {
        std::string_view type;
        std::string_view name;
        std::uint64_t size = 0;
        std::string_view sums; // 4 bytes for each piece
    };

    bool Parse(std::string_view table);
    const Entry* Find(const PackageResource& resource) const;

    bool carried_ = false;
    bool damaged_ = false;
    std::uint32_t piece_ = 0;
    std::vector<Entry> entries_;
};

} // namespace brisel
