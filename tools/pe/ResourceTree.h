// The resources of an image as a tree of type, name and language, in the
// order the PE format requires: named entries first, sorted by their
// upper-cased UTF-16 text (a prefix before the longer name), then numbered
// entries in ascending order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>

namespace brisel::pe {

constexpr std::uint16_t kTypeIcon = 3;
constexpr std::uint16_t kTypeGroupIcon = 14;
constexpr std::uint16_t kTypeVersion = 16;
constexpr std::uint16_t kTypeManifest = 24;

constexpr std::uint16_t kLanguageJapanese = 0x0411;

class ResourceId {
public:
    static ResourceId Number(std::uint16_t id);
    // A name of printable ASCII characters, stored upper-cased as resource
    // compilers do and as lookups expect.
    static ResourceId Name(const std::string& ascii);
    static ResourceId Name(std::u16string text);

    bool IsName() const { return isName_; }
    std::uint16_t Id() const { return id_; }
    const std::u16string& Text() const { return text_; }
    // The name's text (non-ASCII as "?") or the number in decimal.
    std::string ToString() const;

    bool operator<(const ResourceId& other) const;
    bool operator==(const ResourceId& other) const;

private:
    bool isName_ = false;
    std::uint16_t id_ = 0;
    std::u16string text_;
};

// A resource's bytes: held in memory, or a file copied at write time.
struct ResourceData {
    std::string bytes;
    std::filesystem::path file; // empty for bytes held in memory
    std::uint64_t size = 0;

    static ResourceData Bytes(std::string bytes);
    // Records the file's current size; the writer checks it is unchanged.
    static ResourceData File(const std::filesystem::path& file);
    bool FromFile() const { return !file.empty(); }
};

struct ResourceKey {
    ResourceId type;
    ResourceId name;
    std::uint16_t language = 0;

    bool operator<(const ResourceKey& other) const {
        return std::tie(type, name, language) < std::tie(other.type, other.name, other.language);
    }
};

struct ResourceValue {
    ResourceData data;
    std::uint32_t codePage = 0;
};

using ResourceTree = std::map<ResourceKey, ResourceValue>;

// Removes every resource of the given type and name, in any language.
void RemoveResource(ResourceTree& tree, const ResourceId& type, const ResourceId& name);

// True when the tree holds a resource of the given type.
bool HasType(const ResourceTree& tree, const ResourceId& type);

} // namespace brisel::pe
