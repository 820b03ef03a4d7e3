// Read-only inspector for PE32 / PE32+ images produced by our Windows cross builds.
//
// PeImage parses a complete file held in memory: headers, the import directory, the resource
// tree, the version resource and group icons. Every read is bounds-checked; anything that does
// not describe a well-formed image raises PeError instead of reading outside the buffer.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace pecheck {

class PeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr uint16_t kMachineI386 = 0x014c;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kMachineArm64 = 0xaa64;

constexpr uint16_t kSubsystemGui = 2;
constexpr uint16_t kSubsystemConsole = 3;

constexpr uint16_t kDllHighEntropyVa = 0x0020;
constexpr uint16_t kDllDynamicBase = 0x0040;
constexpr uint16_t kDllNxCompat = 0x0100;

constexpr uint32_t kResourceTypeGroupIcon = 14;
constexpr uint32_t kResourceTypeVersion = 16;

// A resource type or name: an integer ID or a string (converted from UTF-16 to UTF-8).
struct ResourceId {
    bool isId = true;
    uint32_t id = 0;  // meaningful when isId
    std::string name; // meaningful when !isId

    static ResourceId fromId(uint32_t id);
    static ResourceId fromName(std::string name);

    // Decimal for IDs, the name itself otherwise.
    std::string toString() const;
    // Command-line matching: a decimal argument selects the ID with that value; any argument
    // also selects a string name that is exactly equal to it (case-sensitive).
    bool matchesArgument(const std::string& arg) const;

    bool operator==(const ResourceId& other) const;
    bool operator!=(const ResourceId& other) const { return !(*this == other); }
};

// One leaf of the resource tree (type / name / language) with a copy of its data.
struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    uint32_t language = 0;
    std::vector<uint8_t> data;
};

struct FourPartVersion {
    std::array<uint16_t, 4> parts{};

    std::string toString() const; // "a.b.c.d"
    bool operator==(const FourPartVersion& other) const { return parts == other.parts; }
};

struct VersionStringTable {
    std::string key; // language + codepage as 8 hex digits, e.g. "041103a4"
    std::vector<std::pair<std::string, std::string>> strings; // in file order
};

struct VersionTranslation {
    uint16_t language = 0;
    uint16_t codepage = 0;
};

struct VersionInfo {
    bool hasFixedInfo = false;
    FourPartVersion fileVersion;
    FourPartVersion productVersion;
    std::vector<VersionStringTable> stringTables;
    std::vector<VersionTranslation> translations;
};

struct GroupIconEntry {
    unsigned width = 0;  // a stored 0 means 256 and is reported as 256
    unsigned height = 0; // likewise
    uint8_t colorCount = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t bytesInResource = 0;
    uint16_t iconId = 0; // name of the RT_ICON resource holding the image
};

// Parsers for individual resource payloads; they throw PeError on malformed data.
VersionInfo parseVersionInfo(const std::vector<uint8_t>& data);
std::vector<GroupIconEntry> parseGroupIcon(const std::vector<uint8_t>& data);

// UTF-16LE code units to UTF-8; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const std::u16string& text);

class PeImage {
public:
    // Parses the whole image; throws PeError if any part of it is malformed.
    explicit PeImage(const std::vector<uint8_t>& bytes);

    uint16_t machine() const { return machine_; }
    bool isPe32Plus() const { return pe32Plus_; }
    uint16_t subsystem() const { return subsystem_; }
    uint16_t dllCharacteristics() const { return dllCharacteristics_; }

    // DLL names from the import directory, lower-cased, in directory order.
    const std::vector<std::string>& importedDlls() const { return importedDlls_; }
    // Resource leaves in directory order.
    const std::vector<ResourceEntry>& resources() const { return resources_; }
    // Parsed from the first RT_VERSION resource, if there is one.
    const std::optional<VersionInfo>& versionInfo() const { return versionInfo_; }
    // Entries of every RT_GROUP_ICON resource, in resource order.
    const std::vector<GroupIconEntry>& groupIcons() const { return groupIcons_; }

    // First resource (any language) whose type and name match the command-line style
    // arguments, see ResourceId::matchesArgument. Null if there is none.
    const ResourceEntry* findResource(const std::string& type, const std::string& name) const;

private:
    uint16_t machine_ = 0;
    bool pe32Plus_ = false;
    uint16_t subsystem_ = 0;
    uint16_t dllCharacteristics_ = 0;
    std::vector<std::string> importedDlls_;
    std::vector<ResourceEntry> resources_;
    std::optional<VersionInfo> versionInfo_;
    std::vector<GroupIconEntry> groupIcons_;
};

// The line-oriented report printed by `pecheck FILE`.
void writeReport(std::ostream& out, const PeImage& image);

} // namespace pecheck
