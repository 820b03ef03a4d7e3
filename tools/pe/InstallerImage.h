// A new image made from a stub and a resource tree: the stub's sections
// and headers as they are, its resource section replaced by one laid out
// from the tree. The resource section keeps its place when it is the last
// section but for the base relocations, which then move behind it (nothing
// refers to them but their data directory); a stub without resources gets a
// new last section. The resource section starts at a page boundary of the
// file, so that its payloads can be mapped from it. The headers are updated to match: section
// table, image size, initialised data size, the resource and relocation directories, a zero time
// stamp, no symbol table or certificates, and the checksum.
#pragma once

#include "PeImage.h"
#include "ResourceSection.h"
#include "ResourceTree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brisel::pe {

class TemporaryOutput;

class InstallerImage {
public:
    // Both must outlive the image. Throws FormatError when the stub's
    // layout does not allow its resources to be replaced.
    InstallerImage(const PeImage& stub, const ResourceTree& resources);

    // The size the image takes in memory once loaded, and on disk.
    std::uint64_t SizeOfImage() const { return sizeOfImage_; }
    std::uint64_t FileSize() const { return fileSize_; }

    // Writes the image in one pass, copying file-backed resources in
    // bounded pieces, and finally sets the checksum.
    void Write(TemporaryOutput& out) const;

private:
    std::string Headers() const;
    void WriteResources(TemporaryOutput& out, class PeChecksum& sum) const;

    const PeImage& stub_;
    ResourceSection resources_;
    std::size_t resourceIndex_ = 0; // index of the resource section in the new table
    bool appended_ = false;
    std::vector<Section> sections_; // the new section table
    std::uint64_t sizeOfImage_ = 0;
    std::uint64_t fileSize_ = 0;
    std::uint64_t stubDataEnd_ = 0; // the stub's bytes before its resources
    std::uint32_t relocationDelta_ = 0;
    std::int64_t initializedDataDelta_ = 0;
};

} // namespace brisel::pe
