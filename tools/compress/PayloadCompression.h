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

// A payload in the stream. source, size and filtered are given; the rest is
// found while the stream is written.
struct StreamPayload {
    std::filesystem::path source;
    std::uint64_t size = 0;
    bool filtered = false;
    std::uint64_t offset = 0; // of its first byte in the decoded stream
    std::uint32_t crc = 0;    // CRC-32 of its bytes as the game folder gets them
    // Bytes of the encoded stream that its part took, as far as the
    // encoder's progress tells (about every 32 KiB of input): a figure for
    // the summary, not a boundary in the stream.
    std::uint64_t encodedShare = 0;
};

// Writes the stream (header and LZMA data without end marker) through
// write, the payloads one after another. Returns the stream's size. Throws
// PackageError when a file cannot be read or changed size.
std::uint64_t WriteSolidStream(std::vector<StreamPayload>& payloads,
                               const std::function<void(std::string_view)>& write);

// The "PACKED" record of a payload written into the stream.
std::string PackedRecord(const StreamPayload& payload);

} // namespace brisel::tools
