#include "PeImage.h"

#include "LittleEndian.h"

#include <algorithm>

namespace brisel::pe {

namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;

bool IsPowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

} // namespace

PeImage::PeImage(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < 0x40 || bytes_.compare(0, 2, "MZ") != 0) {
        throw FormatError("not a Windows executable (no MZ header)");
    }
    const std::uint32_t peOffset = ReadU32(bytes_, 0x3C);
    if (peOffset > bytes_.size() || bytes_.compare(peOffset, 4, std::string("PE\0\0", 4)) != 0) {
        throw FormatError("not a PE image (no PE signature)");
    }
    fileHeader_ = peOffset + 4;
    machine_ = ReadU16(bytes_, fileHeader_);
    const std::uint16_t sectionCount = ReadU16(bytes_, fileHeader_ + 2);
    const std::uint16_t optionalSize = ReadU16(bytes_, fileHeader_ + 16);
    optionalHeader_ = fileHeader_ + 20;
    sectionTable_ = optionalHeader_ + optionalSize;

    const std::uint16_t magic = ReadU16(bytes_, optionalHeader_);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        throw FormatError("unknown optional header magic");
    }
    pe32Plus_ = magic == kPe32PlusMagic;
    sectionAlignment_ = ReadU32(bytes_, optionalHeader_ + 32);
    fileAlignment_ = ReadU32(bytes_, optionalHeader_ + 36);
    sizeOfHeaders_ = ReadU32(bytes_, optionalHeader_ + 60);
    const std::size_t countOffset = optionalHeader_ + (pe32Plus_ ? 108 : 92);
    directoryCount_ = ReadU32(bytes_, countOffset);
    if (countOffset + 4 + std::size_t{directoryCount_} * 8 > sectionTable_ ||
        directoryCount_ <= kBaseRelocationDirectory) {
        throw FormatError("the optional header is too short");
    }
    if (!IsPowerOfTwo(fileAlignment_) || !IsPowerOfTwo(sectionAlignment_) ||
        fileAlignment_ > sectionAlignment_ || sizeOfHeaders_ > bytes_.size() ||
        sectionTable_ + std::size_t{sectionCount} * 40 > sizeOfHeaders_) {
        throw FormatError("inconsistent header sizes or alignments");
    }

    std::uint32_t nextAddress = 0;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = sectionTable_ + std::size_t{i} * 40;
        Section section;
        section.name = bytes_.substr(at, 8);
        section.name.resize(std::min(section.name.find('\0'), section.name.size()));
        section.virtualSize = ReadU32(bytes_, at + 8);
        section.virtualAddress = ReadU32(bytes_, at + 12);
        section.rawSize = ReadU32(bytes_, at + 16);
        section.rawPointer = ReadU32(bytes_, at + 20);
        section.characteristics = ReadU32(bytes_, at + 36);
        if (section.virtualAddress < nextAddress ||
            std::uint64_t{section.rawPointer} + section.rawSize > bytes_.size()) {
            throw FormatError("section " + section.name + " lies outside the image or the file");
        }
        nextAddress = section.virtualAddress + std::max(section.virtualSize, section.rawSize);
        sections_.push_back(section);
    }
}

DataDirectory PeImage::Directory(int index) const {
    if (static_cast<std::uint32_t>(index) >= directoryCount_) {
        return {};
    }
    const std::size_t at = DirectoryOffset(index);
    return {ReadU32(bytes_, at), ReadU32(bytes_, at + 4)};
}

std::size_t PeImage::DirectoryOffset(int index) const {
    return optionalHeader_ + (pe32Plus_ ? 112 : 96) + static_cast<std::size_t>(index) * 8;
}

int PeImage::SectionOf(std::uint32_t rva) const {
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (sections_[i].Contains(rva)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string_view PeImage::At(std::uint32_t rva, std::uint32_t size) const {
    const int index = SectionOf(rva);
    if (index < 0) {
        throw FormatError("an address points outside every section");
    }
    const Section& section = sections_[static_cast<std::size_t>(index)];
    const std::uint64_t offset = rva - section.virtualAddress;
    if (offset + size > section.rawSize) {
        throw FormatError("data runs past the end of section " + section.name);
    }
    return std::string_view(bytes_).substr(section.rawPointer + offset, size);
}

} // namespace brisel::pe
