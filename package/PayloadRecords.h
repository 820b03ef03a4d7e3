// The records that describe payloads held in the package's LZMA stream:
// "PACKED" for a compressed payload, "DELTA" for a delta against previous
// versions (see docs/COMPRESSED-PAYLOADS.md and docs/DELTA-PAYLOADS.md).
#pragma once

#include "core/AnsiString.h"
#include "core/Sha256.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace brisel {

struct PackedRecord {
    bool filtered = false; // the x86 branch filter was applied
    std::uint64_t size = 0;
    std::uint64_t offset = 0; // in the decoded stream
    std::uint32_t crc = 0;
};

struct DeltaSource {
    std::uint64_t oldSize = 0;
    Sha256Digest oldDigest{};
    std::uint64_t offset = 0; // of the instructions in the decoded stream
    std::uint64_t length = 0;
    std::uint64_t storedOffset = 0; // of its stored new data in the stored resource
    std::uint64_t storedLength = 0;
};

struct DeltaRecord {
    std::uint64_t newSize = 0;
    Sha256Digest newDigest{};
    std::vector<DeltaSource> sources; // one for each previous version
};

// "RESOURCE_FILE" n.
String PayloadName(std::size_t n);

// The record of payload n, when the package has one. A record that is no
// valid one raises EReadError: the package is spoiled.
std::optional<PackedRecord> FindPackedRecord(std::size_t n);
// The same of the item of that name (the background picture).
std::optional<PackedRecord> FindPackedRecord(const String& name);
std::optional<DeltaRecord> FindDeltaRecord(std::size_t n);

// The stored new data of a delta; raises EReadError when the package does
// not hold it.
std::string_view StoredNewData(const DeltaSource& source);

} // namespace brisel
