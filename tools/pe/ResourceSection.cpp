#include "ResourceSection.h"

#include "LittleEndian.h"

#include <map>

namespace brisel::pe {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint32_t kDataAlignment = 8;

// The tree regrouped by level; the map keeps each level in the required order.
using Languages = std::map<std::uint16_t, const ResourceValue*>;
using Names = std::map<ResourceId, Languages>;
using Types = std::map<ResourceId, Names>;

Types Group(const ResourceTree& tree) {
    Types types;
    for (const auto& [key, value] : tree) {
        types[key.type][key.name][key.language] = &value;
    }
    return types;
}

std::uint32_t DirectorySize(std::size_t entries) {
    return static_cast<std::uint32_t>(16 + 8 * entries);
}

template <typename Map> std::uint16_t CountNamed(const Map& entries) {
    std::uint16_t count = 0;
    for (const auto& item : entries) {
        count = static_cast<std::uint16_t>(count + (item.first.IsName() ? 1 : 0));
    }
    return count;
}

void AppendDirectoryHeader(std::string& out, std::uint16_t named, std::uint16_t numbered) {
    AppendU32(out, 0); // characteristics
    AppendU32(out, 0); // time stamp
    AppendU16(out, 0); // major version
    AppendU16(out, 0); // minor version
    AppendU16(out, named);
    AppendU16(out, numbered);
}

// Offsets of the strings that hold the names of the tree, each written once.
class StringTable {
public:
    void Add(const ResourceId& id) {
        if (id.IsName() && offsets_.find(id.Text()) == offsets_.end()) {
            offsets_[id.Text()] = static_cast<std::uint32_t>(bytes_.size());
            AppendU16(bytes_, static_cast<std::uint16_t>(id.Text().size()));
            for (char16_t c : id.Text()) {
                AppendU16(bytes_, static_cast<std::uint16_t>(c));
            }
        }
    }
    std::uint32_t Offset(const std::u16string& text) const { return offsets_.at(text); }
    const std::string& Bytes() const { return bytes_; }

private:
    std::map<std::u16string, std::uint32_t> offsets_;
    std::string bytes_;
};

} // namespace

ResourceSection::ResourceSection(const ResourceTree& tree) : tree_(tree) {
    const Types types = Group(tree);
    StringTable strings;
    std::uint64_t directories = DirectorySize(types.size());
    for (const auto& [type, names] : types) {
        strings.Add(type);
        directories += DirectorySize(names.size());
        for (const auto& [name, languages] : names) {
            strings.Add(name);
            directories += DirectorySize(languages.size());
        }
    }
    const std::uint64_t dataEntries = directories;
    const std::uint64_t stringsAt = dataEntries + 16 * std::uint64_t{tree.size()};
    std::uint64_t at = AlignUp(stringsAt + strings.Bytes().size(), kDataAlignment);
    tablesSize_ = static_cast<std::uint32_t>(at);
    for (const auto& item : tree) {
        at = AlignUp(at, kDataAlignment);
        placed_.push_back({&item.second.data, at});
        at += item.second.data.size;
    }
    size_ = at;
}

std::string ResourceSection::Tables(std::uint32_t sectionRva) const {
    if (sectionRva + size_ > 0xFFFFFFFFull) {
        throw FormatError("the resources do not fit in a 32-bit address space");
    }
    const Types types = Group(tree_);
    StringTable strings;
    for (const auto& [type, names] : types) {
        strings.Add(type);
        for (const auto& item : names) {
            strings.Add(item.first);
        }
    }

    // Where each directory table starts: root, types' tables, names' tables.
    std::uint32_t typeTables = DirectorySize(types.size());
    std::uint32_t nameTables = typeTables;
    for (const auto& type : types) {
        nameTables += DirectorySize(type.second.size());
    }
    std::uint32_t dataEntries = nameTables;
    for (const auto& type : types) {
        for (const auto& name : type.second) {
            dataEntries += DirectorySize(name.second.size());
        }
    }
    const std::uint32_t stringsAt = dataEntries + 16 * static_cast<std::uint32_t>(tree_.size());
    const auto nameField = [&](const ResourceId& id) {
        return id.IsName() ? kHighBit | (stringsAt + strings.Offset(id.Text()))
                           : std::uint32_t{id.Id()};
    };

    std::string out;
    AppendDirectoryHeader(out, CountNamed(types),
                          static_cast<std::uint16_t>(types.size() - CountNamed(types)));
    std::uint32_t nextType = typeTables;
    for (const auto& [type, names] : types) {
        AppendU32(out, nameField(type));
        AppendU32(out, kHighBit | nextType);
        nextType += DirectorySize(names.size());
    }
    std::uint32_t nextName = nameTables;
    for (const auto& [type, names] : types) {
        AppendDirectoryHeader(out, CountNamed(names),
                              static_cast<std::uint16_t>(names.size() - CountNamed(names)));
        for (const auto& [name, languages] : names) {
            AppendU32(out, nameField(name));
            AppendU32(out, kHighBit | nextName);
            nextName += DirectorySize(languages.size());
        }
    }
    std::uint32_t nextEntry = dataEntries;
    for (const auto& type : types) {
        for (const auto& [name, languages] : type.second) {
            AppendDirectoryHeader(out, 0, static_cast<std::uint16_t>(languages.size()));
            for (const auto& language : languages) {
                AppendU32(out, language.first);
                AppendU32(out, nextEntry);
                nextEntry += 16;
            }
        }
    }
    // Data entries, in tree order like the placed data.
    std::size_t index = 0;
    for (const auto& item : tree_) {
        const PlacedResource& placed = placed_[index++];
        AppendU32(out, static_cast<std::uint32_t>(sectionRva + placed.offset));
        AppendU32(out, static_cast<std::uint32_t>(item.second.data.size));
        AppendU32(out, item.second.codePage);
        AppendU32(out, 0);
    }
    out += strings.Bytes();
    PadTo(out, kDataAlignment);
    if (out.size() != tablesSize_) {
        throw FormatError("internal error: resource tables changed size");
    }
    return out;
}

} // namespace brisel::pe
