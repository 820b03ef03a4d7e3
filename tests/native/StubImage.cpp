#include "StubImage.h"

#include <stdexcept>

namespace brisel::test {

namespace {

void Put(std::string& bytes, std::size_t offset, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes.at(offset + static_cast<std::size_t>(i)) = static_cast<char>(value >> (8 * i));
    }
}

} // namespace

std::string BuildStubImage(const StubLayout& layout) {
    const std::uint32_t align = layout.fileAlignment;
    const std::uint32_t headers = align < 0x400 ? 0x400 : align;
    std::string image(headers, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put(image, 0x3C, kFileHeader - 4, 4);
    image.replace(kFileHeader - 4, 4, std::string("PE\0\0", 4));
    Put(image, kFileHeader, 0x14C, 2); // i386
    Put(image, kFileHeader + 2, static_cast<std::uint32_t>(layout.sections.size()), 2);
    Put(image, kFileHeader + 4, 0x12345678, 4); // a time stamp the writer must clear
    Put(image, kFileHeader + 16, 224, 2);
    Put(image, kFileHeader + 18, 0x0102, 2);
    Put(image, kOptionalHeader, 0x10B, 2);
    Put(image, kOptionalHeader + 8, 0x5000, 4); // initialised data
    Put(image, kOptionalHeader + 28, 0x400000, 4);
    Put(image, kOptionalHeader + 32, 0x1000, 4);
    Put(image, kOptionalHeader + 36, align, 4);
    Put(image, kOptionalHeader + 56,
        0x1000 * static_cast<std::uint32_t>(layout.sections.size() + 1), 4);
    Put(image, kOptionalHeader + 60, headers, 4);
    Put(image, kOptionalHeader + 64, 0xAAAA, 4); // a stale checksum
    Put(image, kOptionalHeader + 68, 2, 2);
    Put(image, kOptionalHeader + 92, 16, 4);
    for (std::size_t i = 0; i < layout.sections.size(); ++i) {
        const StubSection& section = layout.sections[i];
        if (section.bytes.size() % align != 0 || section.bytes.size() > 0x1000) {
            throw std::invalid_argument("section bytes must be whole file-alignment units");
        }
        const auto address = static_cast<std::uint32_t>(0x1000 * (i + 1));
        const auto raw = static_cast<std::uint32_t>(image.size());
        const std::size_t at = kSectionTable + 40 * i;
        image.replace(at, section.name.size(), section.name);
        Put(image, at + 8,
            section.virtualSize != 0 ? section.virtualSize
                                     : static_cast<std::uint32_t>(section.bytes.size()),
            4);
        Put(image, at + 12, address, 4);
        Put(image, at + 16, static_cast<std::uint32_t>(section.bytes.size()), 4);
        Put(image, at + 20, raw, 4);
        Put(image, at + 36, section.characteristics, 4);
        const int index = static_cast<int>(i);
        if (index == layout.resourceSection || index == layout.relocationSection) {
            const std::size_t directory =
                kOptionalHeader + 96 + 8 * (index == layout.resourceSection ? 2 : 5);
            Put(image, directory, address, 4);
            Put(image, directory + 4, static_cast<std::uint32_t>(section.bytes.size()), 4);
        }
        image += section.bytes;
    }
    return image;
}

std::uint32_t ReferenceChecksum(std::string bytes, std::size_t checksumOffset) {
    Put(bytes, checksumOffset, 0, 4);
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (bytes.size() % 2 != 0) {
        bytes.push_back('\0');
    }
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        sum += static_cast<unsigned char>(bytes[i]) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return ((sum & 0xFFFF) + (sum >> 16)) + length;
}

} // namespace brisel::test
