#include "DeltaPayloads.h"

#include "common/EntryName.h"
#include "common/HostSystem.h"
#include "common/PackagePlan.h"
#include "compress/PayloadCompression.h"
#include "core/DeltaFormat.h"
#include "core/X86Filter.h"

#include <cstdio>
#include <memory>

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void CheckSize(const fs::path& file, std::uint64_t size) {
    if (size <= kLargestDeltaFile) {
        return;
    }
    throw PackageError(file.u8string() + ": " + std::to_string(size) + " bytes, over the " +
                       std::to_string(kLargestDeltaFile) +
                       (sizeof(void*) == 4
                            ? " bytes (256 MiB) that the 32-bit patchpack makes deltas of: "
                              "use the 64-bit patchpack64.exe"
                            : " bytes (4 GiB) that patchpack makes deltas of"));
}

// The whole file, as big as it was found; its SHA-256 into digest.
std::vector<unsigned char> ReadWhole(const fs::path& file, std::uint64_t size,
                                     Sha256Digest& digest) {
    CheckSize(file, size);
    const std::unique_ptr<std::FILE, FileCloser> in(OpenForReading(file));
    if (!in) {
        throw PackageError(file.u8string() + ": cannot be read");
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    Sha256 hash;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t piece = std::min(kPiece, bytes.size() - at);
        if (std::fread(bytes.data() + at, 1, piece, in.get()) != piece) {
            throw PackageError(file.u8string() + ": the file changed while the installer was "
                                                 "written");
        }
        hash.Update(bytes.data() + at, piece);
        at += piece;
    }
    if (std::fgetc(in.get()) != EOF) {
        throw PackageError(file.u8string() + ": the file changed while the installer was written");
    }
    digest = hash.Final();
    return bytes;
}

void AppendU64(std::string& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

} // namespace

std::vector<PreviousVersion> FindPreviousVersions(const std::vector<PackageFolder>& folders,
                                                  const std::string& entry) {
    std::vector<PreviousVersion> found;
    const EntryName name = ParseEntry(entry);
    if (!name.Readable()) {
        return found;
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const Item item = folders[i].Locate(Area::Package, name.names);
        if (item.kind == ItemKind::File) {
            found.push_back({i, item.physical, item.size});
        }
    }
    return found;
}

EncodedDelta EncodeDeltas(pe::TemporaryOutput& scratch, std::uint64_t& scratchSize,
                          const fs::path& file, std::uint64_t size,
                          const std::vector<PreviousVersion>& previous) {
    EncodedDelta delta;
    delta.newSize = size;
    std::vector<unsigned char> next = ReadWhole(file, size, delta.newDigest);
    std::vector<StreamPayload> parts;
    for (const auto& version : previous) {
        DeltaFromVersion source;
        source.folder = version.folder;
        source.oldSize = version.size;
        source.from = scratchSize;
        {
            const std::vector<unsigned char> old =
                ReadWhole(version.file, version.size, source.oldDigest);
            const DeltaOutput output{[&](std::string_view bytes) { scratch.Write(bytes); },
                                     [&](std::string_view bytes) { source.stored.append(bytes); },
                                     [](std::string_view bytes) {
                                         return BytesShrinkEnough(
                                             reinterpret_cast<const unsigned char*>(bytes.data()),
                                             bytes.size());
                                     }};
            source.stats = EncodeDelta(old.data(), old.size(), next.data(), next.size(), output);
        }
        scratchSize += source.stats.length;
        delta.deltaEstimate += source.stored.size();
        parts.push_back({scratch.TemporaryPath(), source.stats.length, false, source.from, true});
        delta.sources.push_back(source);
    }
    scratch.Flush();
    delta.deltaEstimate += QuickEncodedSize(parts);
    // The whole file as the stream would carry it: filtered when it is an
    // x86 image (its bytes are not needed any more).
    if (size > 0 && IsX86Image(file)) {
        X86Convert(next.data(), next.size(), 0, true);
    }
    delta.smaller = !QuickEncodesBelow(next.data(), next.size(), delta.deltaEstimate + 1) &&
                    delta.deltaEstimate < size;
    return delta;
}

std::string DeltaRecordBytes(const EncodedDelta& delta) {
    std::string record = kDeltaMagic;
    const auto count = static_cast<std::uint32_t>(delta.sources.size());
    for (int i = 0; i < 4; ++i) {
        record.push_back(static_cast<char>((count >> (8 * i)) & 0xFF));
    }
    AppendU64(record, delta.newSize);
    record.append(reinterpret_cast<const char*>(delta.newDigest.data()), delta.newDigest.size());
    record.append(16, '\0');
    for (const auto& source : delta.sources) {
        AppendU64(record, source.oldSize);
        record.append(reinterpret_cast<const char*>(source.oldDigest.data()),
                      source.oldDigest.size());
        AppendU64(record, source.offset);
        AppendU64(record, source.stats.length);
        AppendU64(record, source.storedOffset);
        AppendU64(record, source.stored.size());
    }
    return record;
}

} // namespace brisel::tools
