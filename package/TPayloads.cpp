#include "TPayloads.h"

#include "DeltaContent.h"
#include "LzmaStream.h"
#include "PackedContent.h"
#include "PayloadRecords.h"
#include "TResourceStream.h"
#include "core/DeltaFormat.h"
#include "core/Exceptions.h"
#include "platform/PackageResources.h"
#include "platform/Sha256Hasher.h"

#include <string_view>
#include <vector>

namespace brisel {

namespace {

// The size and SHA-256 of the entry's file; false when it cannot be read.
bool HashFile(platform::GameFolder& folder, const EntryPath& entry, std::uint64_t& size,
              Sha256Digest& digest, PieceObserver& observer) {
    const auto file = folder.OpenForReading(entry);
    if (!file) {
        return false;
    }
    platform::Sha256Hasher hasher;
    std::vector<char> piece(1u << 20);
    size = file->Size();
    for (std::uint64_t at = 0; at < size;) {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), size - at));
        if (!file->ReadAt(at, piece.data(), count) || !hasher.Update(piece.data(), count)) {
            return false;
        }
        at += count;
        observer.PieceRead(count);
    }
    return hasher.Final(digest);
}

constexpr std::size_t kWhole = ~std::size_t{0};

void AddOnce(std::vector<PackageResource>& resources, const char* type, std::string_view name) {
    for (const PackageResource& known : resources) {
        if (known.type == type && known.name == name) {
            return;
        }
    }
    resources.push_back({type, String(name)});
}

} // namespace

TPayloads::TPayloads(platform::GameFolder& folder) : folder_(folder) {}
TPayloads::~TPayloads() = default;

LzmaStream& TPayloads::Stream() {
    if (!stream_) {
        stream_ =
            std::make_unique<LzmaStream>(TResourceStream::Open("LZMA", "RESOURCE_SOLID")->Bytes());
    }
    return *stream_;
}

LzmaStream& TPayloads::StreamHolding(std::uint64_t offset, std::uint64_t length) {
    LzmaStream& stream = Stream();
    if (offset > stream.Size() || length > stream.Size() - offset) {
        RaiseReadError();
    }
    return stream;
}

bool TPayloads::HasWholeFile(std::size_t n) {
    if (const auto record = FindPackedRecord(n)) {
        StreamHolding(record->offset, record->size);
        return true;
    }
    return platform::FindPackageResource("BIN", PayloadName(n).c_str()).has_value();
}

PayloadAction TPayloads::Check(std::size_t n, const EntryPath& entry, PieceObserver& observer) {
    if (versionFound_.size() <= n) {
        versionFound_.resize(n + 1, kWhole);
    }
    versionFound_[n] = kWhole;
    const auto delta = FindDeltaRecord(n);
    if (!delta) {
        HasWholeFile(n); // a spoiled record shows now, before anything is written
        return PayloadAction::Write;
    }
    std::uint64_t size = 0;
    Sha256Digest digest{};
    if (HashFile(folder_, entry, size, digest, observer)) {
        if (size == delta->newSize && digest == delta->newDigest) {
            return PayloadAction::UpToDate;
        }
        for (std::size_t i = 0; i < delta->sources.size(); ++i) {
            if (size == delta->sources[i].oldSize && digest == delta->sources[i].oldDigest) {
                // A spoiled record shows now, before anything is written.
                StoredNewData(delta->sources[i]);
                StreamHolding(delta->sources[i].offset, delta->sources[i].length);
                versionFound_[n] = i;
                return PayloadAction::Write;
            }
        }
    }
    return HasWholeFile(n) ? PayloadAction::Write : PayloadAction::WrongVersion;
}

std::uint64_t TPayloads::SizeOf(std::size_t n) const {
    try {
        if (const auto delta = FindDeltaRecord(n)) {
            return delta->newSize;
        }
        if (const auto record = FindPackedRecord(n)) {
            return record->size;
        }
    } catch (const Exception&) {
        return 0;
    }
    const auto raw = platform::FindPackageResource("BIN", PayloadName(n).c_str());
    return raw ? raw->size() : 0;
}

bool TPayloads::Has(std::size_t n) const {
    return FindDeltaRecord(n) || FindPackedRecord(n) ||
           platform::FindPackageResource("BIN", PayloadName(n).c_str()).has_value();
}

bool TPayloads::IsDelta(std::size_t n) const {
    return FindDeltaRecord(n).has_value();
}

void TPayloads::AddResourcesRead(std::size_t n, std::vector<PackageResource>& read) const {
    const String name = PayloadName(n);
    const std::size_t version = n < versionFound_.size() ? versionFound_[n] : kWhole;
    if (version != kWhole) {
        AddOnce(read, "DELTA", name);
        AddOnce(read, "LZMA", "RESOURCE_SOLID");
        const auto delta = FindDeltaRecord(n);
        if (delta && version < delta->sources.size() && delta->sources[version].storedLength > 0) {
            AddOnce(read, kDeltaStoredType, kDeltaStoredName);
        }
    } else if (FindPackedRecord(n)) {
        AddOnce(read, "PACKED", name);
        AddOnce(read, "LZMA", "RESOURCE_SOLID");
    } else {
        AddOnce(read, "BIN", name);
    }
}

void TPayloads::Prepare(std::size_t n) {
    const bool delta = n < versionFound_.size() && versionFound_[n] != kWhole;
    if (delta) {
        deltaBuffers_.Reserve();
    }
    if (delta || FindPackedRecord(n)) {
        Stream();
    }
}

platform::FileContent& TPayloads::Open(std::size_t n, const EntryPath& entry) {
    current_.reset();
    const std::size_t version = n < versionFound_.size() ? versionFound_[n] : kWhole;
    if (version != kWhole) {
        const auto delta = FindDeltaRecord(n);
        if (!delta || version >= delta->sources.size()) {
            RaiseReadError();
        }
        const DeltaSource& source = delta->sources[version];
        current_ = std::make_unique<DeltaContent>(StreamHolding(source.offset, source.length),
                                                  *delta, source, StoredNewData(source), folder_,
                                                  entry, deltaBuffers_);
    } else if (const auto record = FindPackedRecord(n)) {
        current_ =
            std::make_unique<PackedContent>(StreamHolding(record->offset, record->size), *record);
    } else {
        current_ = std::make_unique<platform::BytesContent>(
            TResourceStream::Open("BIN", PayloadName(n))->Bytes());
    }
    return *current_;
}

} // namespace brisel
