#include "DiskSpace.h"

#include <algorithm>

namespace brisel {

namespace {

std::uint64_t InClusters(std::uint64_t size, std::uint64_t cluster) {
    return cluster == 0 ? size : (size + cluster - 1) / cluster * cluster;
}

} // namespace

std::vector<std::pair<std::uint64_t, std::uint64_t>>
SpaceNeeded(const std::vector<PlannedWrite>& writes) {
    struct Volume {
        std::uint64_t id;
        std::int64_t use;      // against the start; it may fall below it
        std::uint64_t highest; // the highest use so far
    };
    std::vector<Volume> volumes;
    for (const PlannedWrite& write : writes) {
        auto volume = std::find_if(volumes.begin(), volumes.end(),
                                   [&](const Volume& v) { return v.id == write.volume; });
        if (volume == volumes.end()) {
            volume = volumes.insert(volumes.end(), {write.volume, 0, 0});
        }
        const auto newSize = static_cast<std::int64_t>(InClusters(write.newSize, write.cluster));
        const auto oldSize = static_cast<std::int64_t>(InClusters(write.oldSize, write.cluster));
        // The new file whole, the old one still there.
        const std::int64_t peak = volume->use + newSize;
        volume->highest =
            std::max(volume->highest, static_cast<std::uint64_t>(std::max<std::int64_t>(peak, 0)));
        volume->use += newSize - oldSize;
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> needed;
    for (const Volume& volume : volumes) {
        needed.emplace_back(volume.id, volume.highest);
    }
    return needed;
}

} // namespace brisel
