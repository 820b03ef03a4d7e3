#include "ResourceReader.h"

#include "LittleEndian.h"

namespace brisel::pe {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
// A bound on the entries of a tree, so that a directory that points back at
// itself cannot make the reader run without end.
constexpr std::uint64_t kMostEntries = 1000000;

class TreeReader {
public:
    TreeReader(const PeImage& image, std::uint32_t rva)
        : image_(image), section_(RestOfSection(image, rva)) {}

    void ReadInto(ResourceTree& tree) {
        for (const auto& [type, typeDir] : Entries(0, true)) {
            for (const auto& [name, nameDir] : Entries(typeDir, true)) {
                for (const auto& [language, leaf] : Entries(nameDir, false)) {
                    if (language.IsName()) {
                        throw FormatError("a resource language is a name");
                    }
                    const std::uint32_t rva = ReadU32(section_, leaf);
                    const std::uint32_t size = ReadU32(section_, leaf + 4);
                    ResourceValue value{ResourceData::Bytes(std::string(image_.At(rva, size))),
                                        ReadU32(section_, leaf + 8)};
                    tree[ResourceKey{type, name, language.Id()}] = std::move(value);
                }
            }
        }
    }

private:
    // The entries of the directory at offset: id and the offset of the
    // subdirectory (wantDirectories) or of the data entry.
    std::vector<std::pair<ResourceId, std::uint32_t>> Entries(std::uint32_t offset,
                                                              bool wantDirectories) {
        const std::uint32_t count =
            std::uint32_t{ReadU16(section_, offset + 12)} + ReadU16(section_, offset + 14);
        entriesRead_ += count;
        if (entriesRead_ > kMostEntries) {
            throw FormatError("the resource tree is too large");
        }
        std::vector<std::pair<ResourceId, std::uint32_t>> entries;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = offset + 16 + std::size_t{i} * 8;
            const std::uint32_t name = ReadU32(section_, at);
            const std::uint32_t target = ReadU32(section_, at + 4);
            if (((target & kHighBit) != 0) != wantDirectories) {
                throw FormatError("the resource tree does not have three levels");
            }
            entries.emplace_back(Id(name), target & ~kHighBit);
        }
        return entries;
    }

    ResourceId Id(std::uint32_t field) const {
        if ((field & kHighBit) == 0) {
            return ResourceId::Number(static_cast<std::uint16_t>(field));
        }
        const std::uint32_t at = field & ~kHighBit;
        const std::uint16_t length = ReadU16(section_, at);
        std::u16string text;
        for (std::uint16_t i = 0; i < length; ++i) {
            text.push_back(static_cast<char16_t>(ReadU16(section_, at + 2 + 2 * std::size_t{i})));
        }
        return ResourceId::Name(std::move(text));
    }

    // The bytes from rva to the end of its section's file data: offsets in
    // the tree count from the directory's start.
    static std::string_view RestOfSection(const PeImage& image, std::uint32_t rva) {
        const int index = image.SectionOf(rva);
        if (index < 0) {
            throw FormatError("the resource directory lies outside every section");
        }
        const Section& section = image.Sections()[static_cast<std::size_t>(index)];
        const std::uint32_t offset = rva - section.virtualAddress;
        return image.At(rva, section.rawSize > offset ? section.rawSize - offset : 0);
    }

    const PeImage& image_;
    std::string_view section_;
    std::uint64_t entriesRead_ = 0;
};

} // namespace

ResourceTree ReadResources(const PeImage& image) {
    ResourceTree tree;
    const DataDirectory directory = image.Directory(kResourceDirectory);
    if (directory.rva == 0 || directory.size == 0) {
        return tree;
    }
    TreeReader(image, directory.rva).ReadInto(tree);
    return tree;
}

} // namespace brisel::pe
