// The headers and section table of a PE32 or PE32+ image held in memory,
// with the file offsets of the fields that a rewrite changes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisel::pe {

enum DataDirectoryIndex {
    kImportDirectory = 1,
    kResourceDirectory = 2,
    kSecurityDirectory = 4,
    kBaseRelocationDirectory = 5,
    kDebugDirectory = 6,
};

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;

struct Section {
    std::string name;
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
    std::uint32_t characteristics = 0;

    bool Contains(std::uint32_t rva) const {
        return rva >= virtualAddress && rva - virtualAddress < std::max(virtualSize, rawSize);
    }
};

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

class PeImage {
public:
    // Parses and checks the headers; throws FormatError when the bytes are
    // not a well-formed image.
    explicit PeImage(std::string bytes);

    const std::string& Bytes() const { return bytes_; }
    std::uint16_t Machine() const { return machine_; }
    bool IsPe32Plus() const { return pe32Plus_; }
    std::uint32_t FileAlignment() const { return fileAlignment_; }
    std::uint32_t SectionAlignment() const { return sectionAlignment_; }
    std::uint32_t SizeOfHeaders() const { return sizeOfHeaders_; }
    const std::vector<Section>& Sections() const { return sections_; }

    DataDirectory Directory(int index) const;
    // The section that holds the given RVA; -1 when none does.
    int SectionOf(std::uint32_t rva) const;
    // The bytes at an RVA, which must lie inside one section's file data.
    std::string_view At(std::uint32_t rva, std::uint32_t size) const;

    // File offsets of header fields.
    std::size_t FileHeaderOffset() const { return fileHeader_; }
    std::size_t OptionalHeaderOffset() const { return optionalHeader_; }
    std::size_t SectionTableOffset() const { return sectionTable_; }
    std::size_t DirectoryOffset(int index) const;
    std::size_t ChecksumOffset() const { return optionalHeader_ + 64; }

private:
    std::string bytes_;
    std::uint16_t machine_ = 0;
    bool pe32Plus_ = false;
    std::uint32_t fileAlignment_ = 0;
    std::uint32_t sectionAlignment_ = 0;
    std::uint32_t sizeOfHeaders_ = 0;
    std::uint32_t directoryCount_ = 0;
    std::size_t fileHeader_ = 0;
    std::size_t optionalHeader_ = 0;
    std::size_t sectionTable_ = 0;
    std::vector<Section> sections_;
};

} // namespace brisel::pe
