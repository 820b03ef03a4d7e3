// Builds small PE32 images in memory for the tests of the installer writer:
// headers, a section table and the sections' bytes, laid out by hand.
#pragma once

#include "BitmapFile.h" // U32At

#include <cstdint>
#include <string>
#include <vector>

namespace brisel::test {

struct StubSection {
    std::string name;
    std::string bytes;             // the section's file data (padded to the file alignment)
    std::uint32_t virtualSize = 0; // 0: the size of bytes
    std::uint32_t characteristics = 0x40000040;
};

struct StubLayout {
    std::uint32_t fileAlignment = 0x200;
    std::vector<StubSection> sections; // placed at 0x1000, 0x2000, ... (one page each)
    int resourceSection = -1;          // whose start the resource directory names
    int relocationSection = -1;        // whose start the relocation directory names
};

// File offsets of fields the tests read back.
constexpr std::size_t kFileHeader = 0x84;
constexpr std::size_t kOptionalHeader = kFileHeader + 20;
constexpr std::size_t kSectionTable = kOptionalHeader + 224;

std::string BuildStubImage(const StubLayout& layout);

// The checksum of a PE file by its definition: 16-bit words added one at a
// time with the carry folded in, plus the file's length.
std::uint32_t ReferenceChecksum(std::string bytes, std::size_t checksumOffset);

} // namespace brisel::test
