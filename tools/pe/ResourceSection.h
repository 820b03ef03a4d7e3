// Lays out a resource tree as the contents of a resource section:
//   directory tables (root, then every type's, then every name's),
//   data entries, name strings, then each resource's bytes on an 8-byte
//   boundary, in tree order.
// Every time stamp and version field is zero, so the section depends only
// on the tree and the section's address.
#pragma once

#include "ResourceTree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brisel::pe {

struct PlacedResource {
    const ResourceData* data = nullptr;
    std::uint64_t offset = 0; // from the section's start
};

class ResourceSection {
public:
    // The tree must outlive the layout; its data is referred to, not copied.
    explicit ResourceSection(const ResourceTree& tree);

    // Bytes of the section, resource data included (not padded).
    std::uint64_t Size() const { return size_; }
    // Size of the tables that precede the resources' bytes.
    std::uint32_t TablesSize() const { return tablesSize_; }
    const std::vector<PlacedResource>& Placed() const { return placed_; }

    // The tables for a section loaded at sectionRva. Throws FormatError when
    // an address would not fit in 32 bits.
    std::string Tables(std::uint32_t sectionRva) const;

private:
    const ResourceTree& tree_;
    std::uint64_t size_ = 0;
    std::uint32_t tablesSize_ = 0;
    std::vector<PlacedResource> placed_;
};

} // namespace brisel::pe
