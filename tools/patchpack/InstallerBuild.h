// Writes an installer: a copy of the stub with the package's resources and
// the author's icon and version texts added, as one new file.
#pragma once

#include "common/PackagePlan.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brisel::tools {

// The largest installer image written: 1.5 GiB. A 32-bit process maps the
// whole image into one free range of its 2 GiB address space, below the
// system's DLLs, and then still needs room for the DLLs it loads (the shell,
// the common controls, the input method), its heaps and stacks. The 32-bit
// Wine loads and runs images of up to about 1.9 GiB; Windows places its
// DLLs lower, so the limit keeps a margin of some 250 MiB there.
constexpr std::uint64_t kLargestInstaller = std::uint64_t{3} << 29;

struct BuildOptions {
    std::filesystem::path package;
    std::filesystem::path out;
    std::string arch = "i686";
    std::filesystem::path stub; // empty: stubs/stub-<arch>.exe beside the tool
    std::optional<std::filesystem::path> icon;
    std::optional<std::string> productVersion; // texts in UTF-8
    std::optional<std::string> fileDescription;
    std::optional<std::string> productName;
    // The picture and the payloads that shrink go into LZMA streams
    // (docs/COMPRESSED-PAYLOADS.md); false stores everything raw.
    bool compress = true;
    // Folders of previous versions: a payload found in them is carried as
    // deltas against them when that is smaller (docs/DELTA-PAYLOADS.md).
    // They imply the stream.
    std::vector<std::filesystem::path> previous;
    // A payload carried as deltas is carried whole as well.
    bool keepWhole = false;
};

// A delta of a payload against the version in one --from folder.
struct DeltaShare {
    std::size_t folder = 0;         // which --from folder
    std::uint64_t instructions = 0; // bytes of the decoded stream
    std::uint64_t encodedShare = 0; // bytes of the stream it took
    std::uint64_t stored = 0;       // bytes of new data stored raw
};

// How a build stored the payloads, for its summary.
struct PayloadStorage {
    bool compressed = false; // the build was asked to compress
    // The payloads in the stream, by number: the bytes of the stream their
    // part took.
    std::map<int, std::uint64_t> packed;
    // The payloads carried as deltas, by number (whole as well when they
    // are in packed, or raw is set for them).
    std::map<int, std::vector<DeltaShare>> deltas;
    std::set<int> alsoRaw;        // delta payloads carried whole as a "BIN" as well
    std::uint64_t streamSize = 0; // the "LZMA" resource; 0 without one
    std::uint64_t streamDecodedSize = 0;
    std::size_t streamPayloads = 0; // payloads with a part in the stream
    std::string stored;             // the deltas' stored new data, until it is a resource
    std::uint64_t storedSize = 0;   // the "STORED" resource; 0 without one
    // The background picture's own stream ("LZMA" "RESOURCE_BACKGROUND");
    // 0 when the picture is carried raw.
    std::uint64_t background = 0;
    // The checksum table ("SUMS" "RESOURCE_PACKAGE"); 0 with --store.
    std::uint64_t sumsSize = 0;
};

// The stub patchpack uses for arch when none is named.
std::filesystem::path DefaultStub(const std::string& arch);

// A package whose installer would be larger than kLargestInstaller.
class InstallerTooLarge : public PackageError {
public:
    explicit InstallerTooLarge(std::uint64_t size)
        : PackageError("the installer would be too large"), size_(size) {}
    std::uint64_t Size() const { return size_; }

private:
    std::uint64_t size_;
};

// Writes the installer and says how it stored the payloads. Throws
// InstallerTooLarge before the installer is written, and PackageError when
// the stub, the icon or a file is at fault. A compressed stream is written
// to a temporary file beside the output first (the image's layout needs its
// size), which is removed in any case.
PayloadStorage BuildInstaller(const BuildOptions& options, const PackagePlan& plan);

} // namespace brisel::tools
