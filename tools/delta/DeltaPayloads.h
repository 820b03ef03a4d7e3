// Delta payloads as patchpack writes them (docs/DELTA-PAYLOADS.md): the
// previous versions of a payload in the folders given with --from, the
// instructions against each written to a scratch file, the weighing of the
// deltas against the whole file, and the "DELTA" record.
#pragma once

#include "DeltaEncoder.h"
#include "common/PackageFolder.h"
#include "core/Sha256.h"
#include "pe/TemporaryOutput.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace brisel::tools {

// The largest old or new version a delta is made for: a 32-bit tool holds
// both files and the index in its address space.
constexpr std::uint64_t kLargestDeltaFile =
    sizeof(void*) == 4 ? std::uint64_t{1} << 28 : kDeltaLargestFile;

// The "DELTA" record: a header and one part for each previous version.
constexpr std::size_t kDeltaRecordHeaderSize = 64;
constexpr std::size_t kDeltaSourceRecordSize = 72;

// A previous version of a payload: the file at the entry's path below one
// of the --from folders.
struct PreviousVersion {
    std::size_t folder = 0; // which --from folder
    std::filesystem::path file;
    std::uint64_t size = 0;
};

// The previous versions of the entry's file, looked up below each folder
// as safely as a payload below files/. folders are the --from folders.
std::vector<PreviousVersion> FindPreviousVersions(const std::vector<PackageFolder>& folders,
                                                  const std::string& entry);

struct DeltaFromVersion {
    std::size_t folder = 0;
    std::uint64_t oldSize = 0;
    Sha256Digest oldDigest{};
    std::uint64_t from = 0; // of its instructions in the scratch file
    DeltaStats stats;
    std::string stored;             // its new data that is carried raw
    std::uint64_t offset = 0;       // of its instructions in the decoded stream, once written
    std::uint64_t storedOffset = 0; // of its stored data in the stored resource, once written
};

struct EncodedDelta {
    std::uint64_t newSize = 0;
    Sha256Digest newDigest{};
    std::vector<DeltaFromVersion> sources;
    std::uint64_t deltaEstimate = 0; // the instructions encoded quickly and the stored data
    bool smaller = false;            // the deltas encode smaller than the file
};

// Appends the instructions that rebuild the new file from each previous
// version to scratch, which holds scratchSize bytes before and after;
// weighs them against the whole file. Throws PackageError when a file
// cannot be read or is over kLargestDeltaFile.
EncodedDelta EncodeDeltas(pe::TemporaryOutput& scratch, std::uint64_t& scratchSize,
                          const std::filesystem::path& file, std::uint64_t size,
                          const std::vector<PreviousVersion>& previous);

// The "DELTA" record of a delta whose instructions were written into the
// stream and whose stored data into the stored resource.
std::string DeltaRecordBytes(const EncodedDelta& delta);

} // namespace brisel::tools
