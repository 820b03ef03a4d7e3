// The free space a patch step needs on each drive it writes to. Files are
// written one after another, each first whole in a temporary file beside
// the file it replaces, which goes only once the new one is in place: the
// drive's use rises by a file's new size while it is written and settles
// at the new size less the old one after. What the step needs is the
// highest point that use reaches, counted in the drive's units of
// allocation.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace brisel {

struct PlannedWrite {
    std::uint64_t volume = 0;
    std::uint64_t cluster = 4096; // the volume's unit of allocation
    std::uint64_t newSize = 0;
    std::uint64_t oldSize = 0; // 0 when there is no file yet
};

// The bytes each volume must have free (volume, bytes), the files written in
// the order given.
std::vector<std::pair<std::uint64_t, std::uint64_t>>
SpaceNeeded(const std::vector<PlannedWrite>& writes);

} // namespace brisel
