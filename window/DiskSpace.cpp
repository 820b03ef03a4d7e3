#include "DiskSpace.h"

#include <algorithm>

namespace brisel {

namespace {

std::uint64_t InClusters(std::uint64_t size, std::uint64_t cluster) {
    return cluster == 0 ? size : (size + cluster - 1) / cluster * cluster;
}

// The highest use the writes on volume reach, against the start.
std::uint64_t HighestUse(const std::vector<PlannedWrite>& writes, std::uint64_t volume) {
    std::int64_t use = 0; // it may fall below the start
    std::uint64_t highest = 0;
    for (const PlannedWrite& write : writes) {
        if (write.volume != volume) {
            continue;
        }
        const auto newSize = static_cast<std::int64_t>(InClusters(write.newSize, write.cluster));
        const auto oldSize = static_cast<std::int64_t>(InClusters(write.oldSize, write.cluster));
        // The new file whole, the old one still there.
        const std::int64_t peak = use + newSize;
        highest = std::max(highest, static_cast<std::uint64_t>(std::max<std::int64_t>(peak, 0)));
        use += newSize - oldSize;
    }
    return highest;
}

bool IsListed(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& needed,
              std::uint64_t volume) {
    for (const auto& known : needed) {
        if (known.first == volume) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::pair<std::uint64_t, std::uint64_t>>
SpaceNeeded(const std::vector<PlannedWrite>& writes) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> needed;
    for (const PlannedWrite& write : writes) {
        if (!IsListed(needed, write.volume)) {
            needed.emplace_back(write.volume, HighestUse(writes, write.volume));
        }
    }
    return needed;
}

} // namespace brisel
