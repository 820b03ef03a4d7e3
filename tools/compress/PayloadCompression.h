// Compressed payloads as patchpack writes them (docs/COMPRESSED-PAYLOADS.md):
// which payloads go into the one LZMA stream, the x86 branch filter on PE
// images, the stream itself with its .lzma header, and the 32-byte record
// that tells the installer where a payload lies in the decoded stream.
//
// Everything is read from the files in pieces of 1 MiB and the encoder's
// parameters are fixed, so memory does not grow with the payloads and every
// host writes the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel::tools {

constexpr std::size_t kPackedRecordSize = 32;
constexpr std::size_t kStreamHeaderSize = 13;

// True when the file starts with "MZ" and its PE header names an x86 or
// x86-64 machine: the payloads the branch filter is applied to.
bool IsX86Image(const std::filesystem::path& file);

// True when a sample of the file (up to 1 MiB from its start and 1 MiB from
// its middle, filtered when filter is set) compresses to at most 98% of its
// size. Empty files never do.
bool ShrinksEnough(const std::filesystem::path& file, std::uint64_t size, bool filter);

// True when size bytes at data compress to at most 98% of their size: the
// rule for what is worth compressing.
bool BytesShrinkEnough(const unsigned char* data, std::size_t size);

// A payload in the stream. source, size and filtered are given; the rest is
// found while the stream is written.
struct StreamPayload {
    std::filesystem::path source;
    std::uint64_t size = 0;
    bool filtered = false;
    // A part of the file from this offset (a delta's instructions in the
    // scratch file), whose end is not the file's.
    std::uint64_t from = 0;
    bool part = false;
    std::uint64_t offset = 0; // of its first byte in the decoded stream
    std::uint32_t crc = 0;    // CRC-32 of its bytes as the game folder gets them
    // Bytes of the encoded stream that its part took, as the decoder takes
    // them (StreamShares): a figure for the summary.
    std::uint64_t encodedShare = 0;
};

// Writes the stream (header and LZMA data without end marker) through
// write, the payloads one after another. Returns the stream's size. Throws
// PackageError when a file cannot be read or changed size.
std::uint64_t WriteSolidStream(std::vector<StreamPayload>& payloads,
                               const std::function<void(std::string_view)>& write);

// The size of the payloads encoded as one stream with the fast settings
// of a sample: what a delta's instructions cost, to weigh against the file.
std::uint64_t QuickEncodedSize(std::vector<StreamPayload> payloads);

// True when size bytes at data encode with the fast settings to fewer
// than limit bytes; the encoder stops as soon as they do not.
bool QuickEncodesBelow(const unsigned char* data, std::size_t size, std::uint64_t limit);

// The "PACKED" record of a payload written into the stream.
std::string PackedRecord(const StreamPayload& payload);

// Bytes at hand (the background picture) as a stream of their own with the
// stream's fixed parameters, and the record of them at its offset 0.
struct PackedBytes {
    std::string stream;
    std::string record;
};

// The bytes packed, or nullopt when the stream and its record would not
// be at most 98% of their size (empty bytes never are).
std::optional<PackedBytes> PackBytes(std::string_view bytes);

} // namespace brisel::tools
