#include "PayloadRecords.h"

#include "core/DeltaFormat.h"

#include "TResourceStream.h"
#include "platform/PackageResources.h"

#include <string>
#include <string_view>

namespace brisel {

namespace {

constexpr std::uint64_t kFlagX86Filter = 1;
constexpr std::size_t kDeltaHeader = 64;
constexpr std::size_t kDeltaSource = 72;

std::uint64_t LittleEndian(std::string_view bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

Sha256Digest DigestAt(std::string_view bytes, std::size_t at) {
    Sha256Digest digest;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        digest[i] = static_cast<std::uint8_t>(bytes[at + i]);
    }
    return digest;
}

bool ZeroAt(std::string_view bytes, std::size_t at, std::size_t count) {
    return bytes.substr(at, count).find_first_not_of('\0') == std::string_view::npos;
}

} // namespace

String PayloadName(std::size_t n) {
    return "RESOURCE_FILE" + std::to_string(n);
}

std::optional<PackedRecord> FindPackedRecord(std::size_t n) {
    return FindPackedRecord(PayloadName(n));
}

std::optional<PackedRecord> FindPackedRecord(const String& name) {
    const auto bytes = platform::FindPackageResource("PACKED", name.c_str());
    if (!bytes) {
        return std::nullopt;
    }
    const std::uint64_t flags = bytes->size() == 32 ? LittleEndian(*bytes, 4, 4) : ~0ull;
    if (bytes->substr(0, 4) != "BPK1" || (flags & ~kFlagX86Filter) != 0 || !ZeroAt(*bytes, 28, 4)) {
        RaiseReadError();
    }
    PackedRecord record;
    record.filtered = (flags & kFlagX86Filter) != 0;
    record.size = LittleEndian(*bytes, 8, 8);
    record.offset = LittleEndian(*bytes, 16, 8);
    record.crc = static_cast<std::uint32_t>(LittleEndian(*bytes, 24, 4));
    return record;
}

std::optional<DeltaRecord> FindDeltaRecord(std::size_t n) {
    const auto bytes = platform::FindPackageResource("DELTA", PayloadName(n).c_str());
    if (!bytes) {
        return std::nullopt;
    }
    const std::uint64_t count = bytes->size() >= kDeltaHeader ? LittleEndian(*bytes, 4, 4) : 0;
    if (bytes->substr(0, 4) != kDeltaMagic || count == 0 ||
        bytes->size() != kDeltaHeader + count * kDeltaSource || !ZeroAt(*bytes, 48, 16)) {
        RaiseReadError();
    }
    DeltaRecord record;
    record.newSize = LittleEndian(*bytes, 8, 8);
    record.newDigest = DigestAt(*bytes, 16);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kDeltaHeader + i * kDeltaSource;
        DeltaSource source;
        source.oldSize = LittleEndian(*bytes, at, 8);
        source.oldDigest = DigestAt(*bytes, at + 8);
        source.offset = LittleEndian(*bytes, at + 40, 8);
        source.length = LittleEndian(*bytes, at + 48, 8);
        source.storedOffset = LittleEndian(*bytes, at + 56, 8);
        source.storedLength = LittleEndian(*bytes, at + 64, 8);
        record.sources.push_back(source);
    }
    return record;
}

std::string_view StoredNewData(const DeltaSource& source) {
    if (source.storedLength == 0) {
        return {};
    }
    const auto bytes = platform::FindPackageResource(kDeltaStoredType, kDeltaStoredName);
    if (!bytes || source.storedOffset > bytes->size() ||
        source.storedLength > bytes->size() - source.storedOffset) {
        RaiseReadError();
    }
    return bytes->substr(static_cast<std::size_t>(source.storedOffset),
                         static_cast<std::size_t>(source.storedLength));
}

} // namespace brisel
