#include "PeImage.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <unordered_set>

namespace pecheck {
namespace {

std::string hex(uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
    return buffer;
}

// A bounds-checked little-endian window onto a byte buffer. `what` names the region in errors.
class ByteView {
public:
    ByteView() = default;
    ByteView(const uint8_t* data, size_t size, const char* what)
        : data_(data), size_(size), what_(what) {}

    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }

    bool contains(size_t offset, size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    uint8_t u8(size_t offset) const { return *at(offset, 1); }

    uint16_t u16(size_t offset) const {
        const uint8_t* p = at(offset, 2);
        return static_cast<uint16_t>(p[0] | p[1] << 8);
    }

    uint32_t u32(size_t offset) const {
        const uint8_t* p = at(offset, 4);
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }

    ByteView sub(size_t offset, size_t length, const char* what) const {
        return ByteView(at(offset, length), length, what);
    }

    // `units` UTF-16LE code units starting at `offset`.
    std::u16string utf16(size_t offset, size_t units) const {
        const uint8_t* p = at(offset, units * 2);
        std::u16string text(units, u'\0');
        for (size_t i = 0; i < units; ++i) {
            text[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
        }
        return text;
    }

private:
    const uint8_t* at(size_t offset, size_t length) const {
        if (!contains(offset, length)) {
            fail(offset, length);
        }
        return data_ + offset;
    }

    [[noreturn]] void fail(size_t offset, size_t length) const {
        throw PeError(std::string(what_) + ": " + std::to_string(length) + " bytes at offset " +
                      hex(offset) + " run past its end (size " + hex(size_) + ")");
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    const char* what_ = "data";
};

size_t alignUp4(size_t value) {
    return (value + 3) & ~static_cast<size_t>(3);
}

std::string toLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// Headers and address mapping

struct Section {
    std::string name;
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
};

struct DataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

constexpr size_t kDirectoryImport = 1;
constexpr size_t kDirectoryResource = 2;
constexpr size_t kMaxDataDirectories = 16;

constexpr uint16_t kOptionalMagicPe32 = 0x10b;
constexpr uint16_t kOptionalMagicPe32Plus = 0x20b;

struct Headers {
    uint16_t machine = 0;
    bool pe32Plus = false;
    uint16_t subsystem = 0;
    uint16_t dllCharacteristics = 0;
    uint32_t sizeOfHeaders = 0;
    std::vector<DataDirectory> directories;
    std::vector<Section> sections;

    DataDirectory directory(size_t index) const {
        return index < directories.size() ? directories[index] : DataDirectory{};
    }
};

// Translates RVAs into the file bytes that back them.
class AddressMap {
public:
    AddressMap(ByteView file, const Headers& headers) : file_(file), headers_(headers) {}

    // All file-backed bytes from `rva` to the end of the section (or header area) holding it.
    ByteView from(uint32_t rva, const char* what) const {
        for (const Section& section : headers_.sections) {
            uint32_t span = section.virtualSize != 0 ? section.virtualSize : section.rawSize;
            uint64_t delta = static_cast<uint64_t>(rva) - section.virtualAddress;
            if (rva < section.virtualAddress || delta >= span) {
                continue;
            }
            uint32_t backed = std::min(span, section.rawSize);
            if (delta >= backed) {
                throw PeError(std::string(what) + ": RVA " + hex(rva) + " lies in the " +
                              "zero-filled tail of section " + section.name);
            }
            return file_.sub(section.rawOffset + delta, backed - delta, what);
        }
        if (rva < headers_.sizeOfHeaders && rva < file_.size()) {
            return file_.sub(rva, std::min<size_t>(headers_.sizeOfHeaders, file_.size()) - rva,
                             what);
        }
        throw PeError(std::string(what) + ": RVA " + hex(rva) + " is not inside any section");
    }

    ByteView range(uint32_t rva, uint32_t size, const char* what) const {
        return from(rva, what).sub(0, size, what);
    }

    // NUL-terminated 8-bit string at `rva`, which must end inside the same section.
    std::string cString(uint32_t rva, const char* what) const {
        ByteView view = from(rva, what);
        const uint8_t* begin = view.data();
        const uint8_t* end = std::find(begin, begin + view.size(), 0);
        if (end == begin + view.size()) {
            throw PeError(std::string(what) + ": string at RVA " + hex(rva) + " is unterminated");
        }
        return std::string(begin, end);
    }

private:
    ByteView file_;
    const Headers& headers_;
};

std::vector<Section> readSectionTable(ByteView file, size_t offset, uint16_t count) {
    std::vector<Section> sections;
    sections.reserve(count);
    ByteView table = file.sub(offset, static_cast<size_t>(count) * 40, "section table");
    for (size_t i = 0; i < count; ++i) {
        size_t base = i * 40;
        Section section;
        const uint8_t* rawName = table.sub(base, 8, "section table").data();
        section.name.assign(rawName, std::find(rawName, rawName + 8, 0));
        section.virtualSize = table.u32(base + 8);
        section.virtualAddress = table.u32(base + 12);
        section.rawSize = table.u32(base + 16);
        section.rawOffset = table.u32(base + 20);
        if (section.rawSize != 0 && !file.contains(section.rawOffset, section.rawSize)) {
            throw PeError("section " + section.name + ": raw data (" + hex(section.rawOffset) +
                          " + " + hex(section.rawSize) + ") extends past the end of the file");
        }
        sections.push_back(section);
    }
    return sections;
}

std::vector<DataDirectory> readDataDirectories(ByteView optional, size_t offset,
                                               uint32_t declaredCount) {
    size_t count = std::min<size_t>(declaredCount, kMaxDataDirectories);
    if (!optional.contains(offset, count * 8)) {
        throw PeError("optional header: " + std::to_string(count) +
                      " data directories do not fit in SizeOfOptionalHeader");
    }
    std::vector<DataDirectory> directories(count);
    for (size_t i = 0; i < count; ++i) {
        directories[i].rva = optional.u32(offset + i * 8);
        directories[i].size = optional.u32(offset + i * 8 + 4);
    }
    return directories;
}

Headers readHeaders(ByteView file) {
    if (file.size() < 64 || file.u16(0) != 0x5a4d) {
        throw PeError("not an MZ executable");
    }
    uint32_t peOffset = file.u32(0x3c);
    ByteView signature = file.sub(peOffset, 4, "PE signature");
    if (signature.u32(0) != 0x00004550) {
        throw PeError("PE signature missing at " + hex(peOffset));
    }
    ByteView coff = file.sub(static_cast<size_t>(peOffset) + 4, 20, "COFF header");
    Headers headers;
    headers.machine = coff.u16(0);
    uint16_t sectionCount = coff.u16(2);
    uint16_t optionalSize = coff.u16(16);

    size_t optionalOffset = static_cast<size_t>(peOffset) + 24;
    ByteView optional = file.sub(optionalOffset, optionalSize, "optional header");
    uint16_t magic = optional.u16(0);
    if (magic != kOptionalMagicPe32 && magic != kOptionalMagicPe32Plus) {
        throw PeError("unknown optional header magic " + hex(magic));
    }
    headers.pe32Plus = magic == kOptionalMagicPe32Plus;
    headers.sizeOfHeaders = optional.u32(60);
    headers.subsystem = optional.u16(68);
    headers.dllCharacteristics = optional.u16(70);
    size_t countOffset = headers.pe32Plus ? 108 : 92;
    headers.directories = readDataDirectories(optional, countOffset + 4, optional.u32(countOffset));
    headers.sections = readSectionTable(file, optionalOffset + optionalSize, sectionCount);
    return headers;
}

// ---------------------------------------------------------------------------------------------
// Imports

std::vector<std::string> readImports(const AddressMap& map, DataDirectory directory) {
    std::vector<std::string> dlls;
    if (directory.rva == 0 || directory.size == 0) {
        return dlls;
    }
    // The descriptor array ends with an all-zero entry; bounding it by the section means a
    // missing terminator is reported instead of read past.
    ByteView descriptors = map.from(directory.rva, "import directory");
    for (size_t offset = 0;; offset += 20) {
        if (!descriptors.contains(offset, 20)) {
            throw PeError("import directory: descriptor list is not terminated");
        }
        uint32_t nameRva = descriptors.u32(offset + 12);
        uint32_t firstThunk = descriptors.u32(offset + 16);
        if (nameRva == 0 && firstThunk == 0) {
            break;
        }
        dlls.push_back(toLower(map.cString(nameRva, "import name")));
    }
    return dlls;
}

// ---------------------------------------------------------------------------------------------
// Resources

// Walks the fixed three-level resource tree (type, name, language). Each directory may be
// visited only once and the total number of entries may not exceed what the section could hold
// without overlap, so looping or aliased directories fail instead of expanding without bound.
class ResourceTreeReader {
public:
    ResourceTreeReader(const AddressMap& map, ByteView tree, size_t dataBudget)
        : map_(map), tree_(tree), entryBudget_(tree.size() / 8), dataBudget_(dataBudget) {}

    std::vector<ResourceEntry> read() {
        std::vector<ResourceEntry> entries;
        for (const DirectoryEntry& type : readDirectory(0, Level::Type)) {
            for (const DirectoryEntry& name : readDirectory(type.target, Level::Name)) {
                for (const DirectoryEntry& lang : readDirectory(name.target, Level::Language)) {
                    entries.push_back(readLeaf(type.id, name.id, lang));
                }
            }
        }
        return entries;
    }

private:
    static constexpr uint32_t kHighBit = 0x80000000u;

    enum class Level { Type, Name, Language };

    static const char* levelName(Level level) {
        switch (level) {
        case Level::Type:
            return "resource type";
        case Level::Name:
            return "resource name";
        default:
            return "resource language";
        }
    }

    struct DirectoryEntry {
        ResourceId id;
        bool isDirectory = false;
        uint32_t target = 0; // offset from the tree root
    };

    std::vector<DirectoryEntry> readDirectory(uint32_t offset, Level level) {
        if (!visited_.insert(offset).second) {
            throw PeError(std::string(levelName(level)) + " directory at " + hex(offset) +
                          " is reached twice (loop or shared subdirectory)");
        }
        ByteView header = tree_.sub(offset, 16, "resource directory");
        size_t count = static_cast<size_t>(header.u16(12)) + header.u16(14);
        if (count > entryBudget_) {
            throw PeError("resource tree has more entries than its section can hold");
        }
        entryBudget_ -= count;
        ByteView table =
            tree_.sub(static_cast<size_t>(offset) + 16, count * 8, "resource directory");
        bool leafLevel = level == Level::Language;
        std::vector<DirectoryEntry> entries(count);
        for (size_t i = 0; i < count; ++i) {
            uint32_t rawId = table.u32(i * 8);
            uint32_t rawTarget = table.u32(i * 8 + 4);
            entries[i].id = readId(rawId);
            entries[i].isDirectory = (rawTarget & kHighBit) != 0;
            entries[i].target = rawTarget & ~kHighBit;
            if (entries[i].isDirectory == leafLevel) {
                throw PeError(std::string(levelName(level)) + " entry " + entries[i].id.toString() +
                              (leafLevel ? " points to a directory instead of data"
                                         : " points to data instead of a directory"));
            }
        }
        return entries;
    }

    ResourceId readId(uint32_t raw) const {
        if ((raw & kHighBit) == 0) {
            return ResourceId::fromId(raw);
        }
        uint32_t offset = raw & ~kHighBit;
        size_t units = tree_.u16(offset);
        return ResourceId::fromName(
            utf16ToUtf8(tree_.utf16(static_cast<size_t>(offset) + 2, units)));
    }

    ResourceEntry readLeaf(const ResourceId& type, const ResourceId& name,
                           const DirectoryEntry& lang) {
        if (!lang.id.isId) {
            throw PeError("resource " + type.toString() + "/" + name.toString() +
                          " has a named language entry");
        }
        ByteView dataEntry = tree_.sub(lang.target, 16, "resource data entry");
        uint32_t rva = dataEntry.u32(0);
        uint32_t size = dataEntry.u32(4);
        if (size > dataBudget_) {
            throw PeError("resource data entries add up to more than the file size");
        }
        dataBudget_ -= size;
        ByteView data = map_.range(rva, size, "resource data");
        ResourceEntry entry;
        entry.type = type;
        entry.name = name;
        entry.language = lang.id.id;
        entry.data.assign(data.data(), data.data() + data.size());
        return entry;
    }

    const AddressMap& map_;
    ByteView tree_;
    size_t entryBudget_;
    size_t dataBudget_;
    std::unordered_set<uint32_t> visited_;
};

// ---------------------------------------------------------------------------------------------
// Version resource
//
// Every block is: wLength, wValueLength, wType, NUL-terminated UTF-16 key, padding to 4 bytes,
// value, padding to 4 bytes, child blocks. Alignment is relative to the start of the resource.

constexpr uint32_t kFixedFileInfoSignature = 0xfeef04bd;
constexpr size_t kFixedFileInfoSize = 52;

struct VersionBlock {
    std::string key;
    uint16_t valueLength = 0;
    uint16_t type = 0; // 1 = text, 0 = binary
    size_t valueOffset = 0;
    size_t childrenOffset = 0;
    size_t end = 0;
};

// NUL-terminated UTF-16 string starting at `offset` and ending before `limit`. Returns the
// text and sets `next` just past the terminator; an unterminated string runs up to `limit`
// unless `requireTerminator` is set.
std::string readUtf16z(ByteView data, size_t offset, size_t limit, bool requireTerminator,
                       size_t& next) {
    std::u16string text;
    size_t pos = offset;
    for (; pos + 2 <= limit; pos += 2) {
        char16_t unit = data.u16(pos);
        if (unit == 0) {
            next = pos + 2;
            return utf16ToUtf8(text);
        }
        text.push_back(unit);
    }
    if (requireTerminator) {
        throw PeError("version resource: key at " + hex(offset) + " is unterminated");
    }
    next = limit;
    return utf16ToUtf8(text);
}

VersionBlock readVersionBlock(ByteView data, size_t offset, size_t parentEnd) {
    uint16_t length = data.u16(offset);
    if (length < 6 || length > parentEnd - offset) {
        throw PeError("version resource: block at " + hex(offset) + " has bad length " +
                      std::to_string(length));
    }
    VersionBlock block;
    block.end = offset + length;
    block.valueLength = data.u16(offset + 2);
    block.type = data.u16(offset + 4);
    size_t afterKey = 0;
    block.key = readUtf16z(data, offset + 6, block.end, true, afterKey);
    block.valueOffset = std::min(alignUp4(afterKey), block.end);
    size_t valueBytes = block.type == 1 ? block.valueLength * size_t{2} : block.valueLength;
    if (block.type != 1 && valueBytes > block.end - block.valueOffset) {
        throw PeError("version resource: value of " + block.key + " runs past its block");
    }
    block.childrenOffset = std::min(alignUp4(block.valueOffset + valueBytes), block.end);
    return block;
}

std::vector<VersionBlock> readVersionChildren(ByteView data, const VersionBlock& parent) {
    std::vector<VersionBlock> children;
    size_t pos = parent.childrenOffset;
    while (true) {
        pos = alignUp4(pos);
        // Fewer bytes than a block header are trailing padding.
        if (pos >= parent.end || parent.end - pos < 6) {
            break;
        }
        children.push_back(readVersionBlock(data, pos, parent.end));
        pos = children.back().end;
    }
    return children;
}

FourPartVersion versionFromWords(uint32_t high, uint32_t low) {
    FourPartVersion version;
    version.parts = {static_cast<uint16_t>(high >> 16), static_cast<uint16_t>(high & 0xffff),
                     static_cast<uint16_t>(low >> 16), static_cast<uint16_t>(low & 0xffff)};
    return version;
}

void readFixedFileInfo(ByteView data, const VersionBlock& root, VersionInfo& info) {
    if (root.valueLength == 0) {
        return;
    }
    if (root.valueLength < kFixedFileInfoSize) {
        throw PeError("version resource: fixed file info is too short");
    }
    ByteView fixed = data.sub(root.valueOffset, kFixedFileInfoSize, "fixed file info");
    if (fixed.u32(0) != kFixedFileInfoSignature) {
        throw PeError("version resource: bad fixed file info signature " + hex(fixed.u32(0)));
    }
    info.hasFixedInfo = true;
    info.fileVersion = versionFromWords(fixed.u32(8), fixed.u32(12));
    info.productVersion = versionFromWords(fixed.u32(16), fixed.u32(20));
}

std::string readStringValue(ByteView data, const VersionBlock& block) {
    // wValueLength of strings is unreliable across resource compilers (characters or bytes,
    // with or without the terminator), so the value is read up to its NUL or the block end.
    if (block.valueLength == 0) {
        return std::string();
    }
    size_t next = 0;
    return readUtf16z(data, block.valueOffset, block.end, false, next);
}

void readStringFileInfo(ByteView data, const VersionBlock& block, VersionInfo& info) {
    for (const VersionBlock& tableBlock : readVersionChildren(data, block)) {
        VersionStringTable table;
        table.key = tableBlock.key;
        for (const VersionBlock& stringBlock : readVersionChildren(data, tableBlock)) {
            table.strings.emplace_back(stringBlock.key, readStringValue(data, stringBlock));
        }
        info.stringTables.push_back(std::move(table));
    }
}

void readVarFileInfo(ByteView data, const VersionBlock& block, VersionInfo& info) {
    for (const VersionBlock& var : readVersionChildren(data, block)) {
        if (var.key != "Translation") {
            continue;
        }
        ByteView value = data.sub(var.valueOffset, var.valueLength, "translation table");
        for (size_t offset = 0; offset + 4 <= value.size(); offset += 4) {
            info.translations.push_back({value.u16(offset), value.u16(offset + 2)});
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Public helpers

ResourceId ResourceId::fromId(uint32_t id) {
    ResourceId result;
    result.isId = true;
    result.id = id;
    return result;
}

ResourceId ResourceId::fromName(std::string name) {
    ResourceId result;
    result.isId = false;
    result.name = std::move(name);
    return result;
}

std::string ResourceId::toString() const {
    return isId ? std::to_string(id) : name;
}

bool ResourceId::matchesArgument(const std::string& arg) const {
    if (!isId) {
        return name == arg;
    }
    bool decimal = !arg.empty() && arg.size() <= 10 &&
                   std::all_of(arg.begin(), arg.end(), [](char c) { return c >= '0' && c <= '9'; });
    return decimal && std::stoull(arg) == id;
}

bool ResourceId::operator==(const ResourceId& other) const {
    return isId == other.isId && (isId ? id == other.id : name == other.name);
}

std::string FourPartVersion::toString() const {
    return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
           std::to_string(parts[2]) + "." + std::to_string(parts[3]);
}

std::string utf16ToUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        bool high = cp >= 0xd800 && cp <= 0xdbff;
        bool low = cp >= 0xdc00 && cp <= 0xdfff;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] <= 0xdfff) {
            cp = 0x10000 + ((cp - 0xd800) << 10) + (text[i + 1] - 0xdc00u);
            ++i;
        } else if (high || low) {
            cp = 0xfffd;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xc0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3f));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xe0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3f));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3f));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3f));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        }
    }
    return out;
}

VersionInfo parseVersionInfo(const std::vector<uint8_t>& bytes) {
    ByteView data(bytes.data(), bytes.size(), "version resource");
    VersionBlock root = readVersionBlock(data, 0, data.size());
    if (root.key != "VS_VERSION_INFO") {
        throw PeError("version resource: root key is '" + root.key + "'");
    }
    VersionInfo info;
    readFixedFileInfo(data, root, info);
    for (const VersionBlock& child : readVersionChildren(data, root)) {
        if (child.key == "StringFileInfo") {
            readStringFileInfo(data, child, info);
        } else if (child.key == "VarFileInfo") {
            readVarFileInfo(data, child, info);
        }
    }
    return info;
}

std::vector<GroupIconEntry> parseGroupIcon(const std::vector<uint8_t>& bytes) {
    ByteView data(bytes.data(), bytes.size(), "group icon");
    if (data.u16(2) != 1) {
        throw PeError("group icon: resource type " + std::to_string(data.u16(2)) + " is not 1");
    }
    size_t count = data.u16(4);
    ByteView table = data.sub(6, count * 14, "group icon");
    std::vector<GroupIconEntry> entries(count);
    for (size_t i = 0; i < count; ++i) {
        size_t base = i * 14;
        GroupIconEntry& entry = entries[i];
        entry.width = table.u8(base) == 0 ? 256 : table.u8(base);
        entry.height = table.u8(base + 1) == 0 ? 256 : table.u8(base + 1);
        entry.colorCount = table.u8(base + 2);
        entry.planes = table.u16(base + 4);
        entry.bitCount = table.u16(base + 6);
        entry.bytesInResource = table.u32(base + 8);
        entry.iconId = table.u16(base + 12);
    }
    return entries;
}

// ---------------------------------------------------------------------------------------------
// PeImage

PeImage::PeImage(const std::vector<uint8_t>& bytes) {
    ByteView file(bytes.data(), bytes.size(), "file");
    Headers headers = readHeaders(file);
    machine_ = headers.machine;
    pe32Plus_ = headers.pe32Plus;
    subsystem_ = headers.subsystem;
    dllCharacteristics_ = headers.dllCharacteristics;

    AddressMap map(file, headers);
    importedDlls_ = readImports(map, headers.directory(kDirectoryImport));

    DataDirectory resourceDirectory = headers.directory(kDirectoryResource);
    if (resourceDirectory.rva != 0 && resourceDirectory.size != 0) {
        ByteView tree = map.from(resourceDirectory.rva, "resource directory");
        resources_ = ResourceTreeReader(map, tree, bytes.size()).read();
    }

    for (const ResourceEntry& entry : resources_) {
        if (!entry.type.isId) {
            continue;
        }
        if (entry.type.id == kResourceTypeVersion && !versionInfo_) {
            versionInfo_ = parseVersionInfo(entry.data);
        } else if (entry.type.id == kResourceTypeGroupIcon) {
            std::vector<GroupIconEntry> icons = parseGroupIcon(entry.data);
            groupIcons_.insert(groupIcons_.end(), icons.begin(), icons.end());
        }
    }
}

const ResourceEntry* PeImage::findResource(const std::string& type, const std::string& name) const {
    for (const ResourceEntry& entry : resources_) {
        if (entry.type.matchesArgument(type) && entry.name.matchesArgument(name)) {
            return &entry;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Report

namespace {

// Keeps every report line a single line of whitespace-separated fields: control characters,
// backslashes and (in fields) spaces are written as \xNN.
std::string escape(const std::string& text, bool isField) {
    std::string out;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '\\' || (isField && c == ' ')) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", byte);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out;
}

std::string machineName(uint16_t machine) {
    switch (machine) {
    case kMachineI386:
        return "i386";
    case kMachineAmd64:
        return "amd64";
    case kMachineArm64:
        return "arm64";
    default:
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "0x%04x", machine);
        return buffer;
    }
}

std::string subsystemName(uint16_t subsystem) {
    switch (subsystem) {
    case kSubsystemGui:
        return "gui";
    case kSubsystemConsole:
        return "console";
    default:
        return std::to_string(subsystem);
    }
}

std::string dllCharacteristicsNames(uint16_t flags) {
    std::string names;
    const std::pair<uint16_t, const char*> known[] = {{kDllDynamicBase, "dynamicbase"},
                                                      {kDllNxCompat, "nxcompat"},
                                                      {kDllHighEntropyVa, "highentropyva"}};
    for (const auto& [bit, name] : known) {
        if (flags & bit) {
            names += std::string(" ") + name;
        }
    }
    return names.empty() ? " none" : names;
}

void writeVersionInfo(std::ostream& out, const VersionInfo& info) {
    if (info.hasFixedInfo) {
        out << "version.fixed.file " << info.fileVersion.toString() << '\n';
        out << "version.fixed.product " << info.productVersion.toString() << '\n';
    }
    for (const VersionStringTable& table : info.stringTables) {
        for (const auto& [key, value] : table.strings) {
            out << "version.string " << escape(table.key, true) << ' ' << escape(key, false) << '='
                << escape(value, false) << '\n';
        }
    }
    for (const VersionTranslation& translation : info.translations) {
        char language[8];
        std::snprintf(language, sizeof language, "0x%04x", translation.language);
        out << "version.translation " << language << ' ' << translation.codepage << '\n';
    }
}

} // namespace

void writeReport(std::ostream& out, const PeImage& image) {
    out << "format " << (image.isPe32Plus() ? "PE32+" : "PE32") << '\n';
    out << "machine " << machineName(image.machine()) << '\n';
    out << "subsystem " << subsystemName(image.subsystem()) << '\n';
    out << "dllcharacteristics" << dllCharacteristicsNames(image.dllCharacteristics()) << '\n';
    for (const std::string& dll : image.importedDlls()) {
        out << "import " << escape(dll, true) << '\n';
    }
    for (const ResourceEntry& entry : image.resources()) {
        out << "resource " << escape(entry.type.toString(), true) << ' '
            << escape(entry.name.toString(), true) << ' ' << entry.language << ' '
            << entry.data.size() << '\n';
    }
    if (image.versionInfo()) {
        writeVersionInfo(out, *image.versionInfo());
    }
    for (const GroupIconEntry& icon : image.groupIcons()) {
        out << "icon " << icon.width << 'x' << icon.height
            << " colors=" << static_cast<unsigned>(icon.colorCount) << " bits=" << icon.bitCount
            << '\n';
    }
}

} // namespace pecheck
