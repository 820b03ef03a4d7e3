#include "IconFile.h"

#include "LittleEndian.h"

#include <set>

namespace brisel::pe {

namespace {

constexpr std::size_t kDirectoryHeader = 6;
constexpr std::size_t kFileEntry = 16;
constexpr std::size_t kGroupEntry = 14;

bool IsPng(std::string_view image) {
    return image.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8);
}

bool IsDib(std::string_view image) {
    return image.size() >= 40 && ReadU32(image, 0) == 40;
}

} // namespace

std::vector<IconImage> ParseIconFile(std::string_view bytes) {
    if (bytes.size() < kDirectoryHeader || ReadU16(bytes, 0) != 0 || ReadU16(bytes, 2) != 1) {
        throw FormatError("not an icon file");
    }
    const std::uint16_t count = ReadU16(bytes, 4);
    if (count == 0) {
        throw FormatError("the icon file holds no image");
    }
    std::vector<IconImage> images;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = kDirectoryHeader + std::size_t{i} * kFileEntry;
        const std::uint32_t length = ReadU32(bytes, at + 8);
        const std::uint32_t offset = ReadU32(bytes, at + 12);
        if (offset > bytes.size() || length > bytes.size() - offset) {
            throw FormatError("image " + std::to_string(i + 1) + " lies outside the icon file");
        }
        const std::string_view image = bytes.substr(offset, length);
        if (!IsPng(image) && !IsDib(image)) {
            throw FormatError("image " + std::to_string(i + 1) +
                              " of the icon file is neither a bitmap nor a PNG picture");
        }
        images.push_back({std::string(bytes.substr(at, 12)), std::string(image)});
    }
    return images;
}

void ReplaceProgramIcon(ResourceTree& tree, const std::vector<IconImage>& images) {
    const ResourceId groupType = ResourceId::Number(kTypeGroupIcon);
    const ResourceId iconType = ResourceId::Number(kTypeIcon);
    auto group = tree.end();
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        if (it->first.type == groupType) {
            group = it;
            break;
        }
    }
    if (group == tree.end()) {
        throw FormatError("the stub has no program icon to replace");
    }
    const ResourceKey groupKey = group->first;
    const std::string old = group->second.data.bytes;
    const std::uint16_t oldCount = ReadU16(old, 4);
    for (std::uint16_t i = 0; i < oldCount; ++i) {
        const std::uint16_t id = ReadU16(old, kDirectoryHeader + std::size_t{i} * kGroupEntry + 12);
        RemoveResource(tree, iconType, ResourceId::Number(id));
    }

    // The new images take the lowest icon numbers that are still free.
    std::set<std::uint16_t> used;
    for (const auto& item : tree) {
        if (item.first.type == iconType && !item.first.name.IsName()) {
            used.insert(item.first.name.Id());
        }
    }
    std::string groupBytes;
    AppendU16(groupBytes, 0);
    AppendU16(groupBytes, 1);
    AppendU16(groupBytes, static_cast<std::uint16_t>(images.size()));
    std::uint16_t next = 1;
    for (const auto& image : images) {
        while (used.count(next) != 0) {
            ++next;
        }
        groupBytes += image.entry;
        AppendU16(groupBytes, next);
        tree[ResourceKey{iconType, ResourceId::Number(next), groupKey.language}] = {
            ResourceData::Bytes(image.bytes), 0};
        ++next;
    }
    tree[groupKey] = {ResourceData::Bytes(groupBytes), 0};
}

} // namespace brisel::pe
