#include "TPayloads.h"

#include "LzmaStream.h"
#include "TResourceStream.h"
#include "core/Crc32.h"
#include "core/Exceptions.h"
#include "core/X86Filter.h"
#include "platform/PackageResources.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

namespace {

// The 32-byte record of a compressed payload (all numbers little-endian):
// "BPK1", flags, decoded size, offset in the stream, CRC-32, zero.
struct PackedRecord {
    bool filtered = false;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    std::uint32_t crc = 0;
};

constexpr std::uint32_t kFlagX86Filter = 1;

std::uint64_t LittleEndian(std::string_view bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

String ResourceName(std::size_t n) {
    return "RESOURCE_FILE" + std::to_string(n);
}

// The record of payload n when it is compressed. A record that is no valid
// one raises EReadError: the package is spoiled.
std::optional<PackedRecord> FindRecord(std::size_t n) {
    const auto bytes = platform::FindPackageResource("PACKED", ResourceName(n).c_str());
    if (!bytes) {
        return std::nullopt;
    }
    const std::uint64_t flags = bytes->size() == 32 ? LittleEndian(*bytes, 4, 4) : ~0ull;
    if (bytes->substr(0, 4) != "BPK1" || (flags & ~std::uint64_t{kFlagX86Filter}) != 0 ||
        LittleEndian(*bytes, 28, 4) != 0) {
        RaiseReadError();
    }
    PackedRecord record;
    record.filtered = (flags & kFlagX86Filter) != 0;
    record.size = LittleEndian(*bytes, 8, 8);
    record.offset = LittleEndian(*bytes, 16, 8);
    record.crc = static_cast<std::uint32_t>(LittleEndian(*bytes, 24, 4));
    return record;
}

// A compressed payload: decoded from the stream, the branch filter undone,
// its CRC-32 taken. The filter needs up to four bytes beyond a piece to
// finish it; those wait in pending_ for the next piece.
class PackedContent : public platform::FileContent {
public:
    PackedContent(LzmaStream& stream, const PackedRecord& record)
        : stream_(stream), record_(record) {}

    std::uint64_t Size() const override { return record_.size; }
    bool MayWriteInPlace() const override { return false; }
    bool Verified() override { return ok_ && done_ == record_.size && crc_.Value() == record_.crc; }

    bool Read(char* buffer, std::size_t size) override {
        ok_ = ok_ && size <= record_.size - done_ && Reach() &&
              (record_.filtered ? ReadFiltered(buffer, size)
                                : stream_.Read(reinterpret_cast<unsigned char*>(buffer), size));
        if (ok_) {
            crc_.Update(buffer, size);
            done_ += size;
        }
        return ok_;
    }

private:
    // Brings the stream to the payload's first byte; payloads come in the
    // stream's order, so it never has to go back.
    bool Reach() {
        if (done_ > 0 || stream_.Position() == record_.offset) {
            return true;
        }
        return stream_.Position() < record_.offset &&
               stream_.Skip(record_.offset - stream_.Position());
    }

    bool ReadFiltered(char* buffer, std::size_t size) {
        // The piece and the filter's lookahead, as far as the payload goes.
        const std::uint64_t decodedSoFar = done_ + pending_.size();
        const std::uint64_t wanted = std::min<std::uint64_t>(size + 4, record_.size - done_);
        const std::size_t more = static_cast<std::size_t>(wanted - pending_.size());
        std::vector<unsigned char>& work = pending_;
        const std::size_t held = work.size();
        work.resize(held + more);
        if (!stream_.Read(work.data() + held, more)) {
            return false;
        }
        const bool payloadEnds = decodedSoFar + more == record_.size;
        std::size_t final = pendingFinal_;
        final += X86Convert(work.data() + final, work.size() - final, done_ + final, false);
        if (payloadEnds) {
            final = work.size();
        }
        if (final < size) {
            return false; // cannot happen with four bytes of lookahead
        }
        std::memcpy(buffer, work.data(), size);
        work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(size));
        pendingFinal_ = final - size;
        return true;
    }

    LzmaStream& stream_;
    PackedRecord record_;
    std::uint64_t done_ = 0;
    Crc32 crc_;
    bool ok_ = true;
    std::vector<unsigned char> pending_; // decoded, not yet handed out
    std::size_t pendingFinal_ = 0;       // how many of them the filter finished
};

} // namespace

TPayloads::TPayloads() = default;
TPayloads::~TPayloads() = default;

std::uint64_t TPayloads::SizeOf(std::size_t n) const {
    try {
        if (const auto record = FindRecord(n)) {
            return record->size;
        }
    } catch (const Exception&) {
        return 0;
    }
    const auto raw = platform::FindPackageResource("BIN", ResourceName(n).c_str());
    return raw ? raw->size() : 0;
}

platform::FileContent& TPayloads::Open(std::size_t n) {
    current_.reset();
    if (const auto record = FindRecord(n)) {
        if (!stream_) {
            stream_ = std::make_unique<LzmaStream>(
                TResourceStream::Open("LZMA", "RESOURCE_SOLID")->Bytes());
        }
        current_ = std::make_unique<PackedContent>(*stream_, *record);
    } else {
        current_ = std::make_unique<platform::BytesContent>(
            TResourceStream::Open("BIN", ResourceName(n))->Bytes());
    }
    return *current_;
}

} // namespace brisel
