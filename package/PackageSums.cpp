#include "PackageSums.h"

#include "core/Crc32c.h"
#include "core/PackageSumsFormat.h"
#include "platform/PackageResources.h"

namespace brisel {

namespace {

std::uint64_t LittleEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i > 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i - 1]);
    }
    return value;
}

std::uint32_t Checksum(std::string_view bytes) {
    Crc32c crc;
    crc.Update(bytes.data(), bytes.size());
    return crc.Value();
}

// The table's fields in order; a field that runs past the end fails the
// rest.
class Fields {
public:
    explicit Fields(std::string_view bytes) : bytes_(bytes) {}

    // count items of unit bytes each.
    std::string_view Take(std::uint64_t count, std::size_t unit = 1) {
        if (failed_ || count > (bytes_.size() - at_) / unit) {
            failed_ = true;
            return {};
        }
        const std::string_view field = bytes_.substr(at_, static_cast<std::size_t>(count) * unit);
        at_ += field.size();
        return field;
    }
    std::uint64_t Number(std::size_t size) { return LittleEndian(Take(size)); }
    bool Failed() const { return failed_; }
    bool Ended() const { return !failed_ && at_ == bytes_.size(); }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

} // namespace

PackageSums::PackageSums() {
    const auto table = platform::FindPackageResource(kSumsType, kSumsName);
    if (!table) {
        return;
    }
    carried_ = true;
    damaged_ = !Parse(*table);
    if (damaged_) {
        entries_.clear();
    }
}

bool PackageSums::Parse(std::string_view table) {
    if (table.size() < kSumsHeader + 4) {
        return false;
    }
    const std::string_view body = table.substr(0, table.size() - 4);
    if (Checksum(body) != LittleEndian(table.substr(body.size()))) {
        return false;
    }
    Fields in(body);
    if (in.Take(4) != std::string_view(kSumsMagic, 4)) {
        return false;
    }
    piece_ = static_cast<std::uint32_t>(in.Number(4));
    const std::uint64_t count = in.Number(4);
    if (piece_ == 0) {
        return false;
    }
    for (std::uint64_t i = 0; i < count && !in.Failed(); ++i) {
        Entry entry;
        entry.type = in.Take(in.Number(1));
        entry.name = in.Take(in.Number(1));
        entry.size = in.Number(8);
        const std::uint64_t whole = entry.size / piece_; // and one more for a rest
        entry.sums = in.Take(whole + (whole * piece_ < entry.size ? 1 : 0), 4);
        entries_.push_back(entry);
    }
    return in.Ended();
}

const PackageSums::Entry* PackageSums::Find(const PackageResource& resource) const {
    for (const Entry& entry : entries_) {
        if (entry.type == resource.type && entry.name == resource.name) {
            return &entry;
        }
    }
    return nullptr;
}

std::uint64_t PackageSums::BytesToCheck(const std::vector<PackageResource>& resources) const {
    std::uint64_t total = 0;
    for (const auto& resource : resources) {
        const Entry* entry = Find(resource);
        total += entry != nullptr ? entry->size : 0;
    }
    return total;
}

bool PackageSums::Check(const PackageResource& resource, PieceObserver& observer) const {
    if (!carried_) {
        return true;
    }
    const Entry* entry = Find(resource);
    const auto bytes = platform::FindPackageResource(resource.type.c_str(), resource.name.c_str());
    if (entry == nullptr || !bytes || bytes->size() != entry->size) {
        return false;
    }
    for (std::size_t at = 0; at < bytes->size(); at += piece_) {
        const std::string_view piece = bytes->substr(at, piece_);
        if (Checksum(piece) != LittleEndian(entry->sums.substr(at / piece_ * 4, 4))) {
            return false;
        }
        observer.PieceRead(piece.size());
    }
    return true;
}

} // namespace brisel
