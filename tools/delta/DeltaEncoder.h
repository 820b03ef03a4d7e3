// The instructions of a binary delta (docs/DELTA-PAYLOADS.md): blocks of
// copy (differences against the old bytes), add (new bytes) and seek that
// rebuild a new version from an old one, gathered into chunks that keep
// the blocks' numbers, new bytes and differences apart.
//
// Matching is bsdiff's "copy with differences" on a hash index instead of a
// suffix array: the old version is indexed by a hash of kDeltaWindow bytes
// at every stride-th position, the new version is scanned with a rolling
// hash at every byte, candidates are verified and extended exactly, and a
// copy goes on across scattered changed bytes for as long as the bytes that
// match outnumber those that differ. A copy of differences that are mostly
// zeros costs almost nothing once the stream is compressed.
//
// Everything is deterministic: one thread, index entries in position order,
// no iteration over unordered containers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace brisel::tools {

// Bytes of the window the index hashes: short enough to find the runs
// between the changed addresses of a rebuilt program, where a new
// alignment must be picked up.
constexpr std::size_t kDeltaWindow = 16;

// Positions of the old version in the index at most: the stride grows with
// the old version's size so that the index stays within some 256 MiB
// (twice that while it is built).
constexpr std::uint64_t kDeltaIndexEntries = std::uint64_t{1} << 25;

// Old versions are indexed with 32-bit positions.
constexpr std::uint64_t kDeltaLargestFile = 0xFFFFFFFFu;

struct DeltaStats {
    std::uint64_t length = 0; // bytes of instructions written
    std::uint64_t stored = 0; // bytes of new data stored
    std::uint64_t blocks = 0;
    std::uint64_t copied = 0; // bytes rebuilt from the old version
    std::uint64_t added = 0;  // bytes carried as they stand
};

// Where the instructions go: write takes the instructions, in pieces of up
// to 1 MiB, store the new data that compresses says is not worth
// compressing (it is asked about each block's new data of 4 KiB or more;
// smaller new data stays in the stream).
struct DeltaOutput {
    std::function<void(std::string_view)> write;
    std::function<void(std::string_view)> store;
    std::function<bool(std::string_view)> compresses;
};

// Writes the instructions that rebuild next from previous. Both must be at
// most kDeltaLargestFile bytes.
DeltaStats EncodeDelta(const unsigned char* previous, std::size_t previousSize,
                       const unsigned char* next, std::size_t nextSize, const DeltaOutput& output);

} // namespace brisel::tools
