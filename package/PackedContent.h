// A compressed payload as the content of its file: decoded from the
// package's stream, the branch filter undone, verified by size and CRC-32.
#pragma once

#include "LzmaStream.h"
#include "PayloadRecords.h"
#include "core/Crc32.h"
#include "platform/Files.h"

#include <vector>

namespace brisel {

class PackedContent : public platform::FileContent {
public:
    PackedContent(LzmaStream& stream, const PackedRecord& record)
        : stream_(stream), record_(record) {}

    std::uint64_t Size() const override { return record_.size; }
    bool MayWriteInPlace() const override { return false; }
    bool Verified() override;
    bool Read(char* buffer, std::size_t size) override;

private:
    bool ReadFiltered(char* buffer, std::size_t size);

    LzmaStream& stream_;
    PackedRecord record_;
    std::uint64_t done_ = 0;
    Crc32 crc_;
    bool ok_ = true;
    // The filter needs up to four bytes beyond a piece to finish it: those
    // wait here, decoded but not yet handed out.
    std::vector<unsigned char> pending_;
    std::size_t pendingFinal_ = 0; // how many of them the filter finished
};

// Brings the stream to offset, the first byte of a payload; payloads come in
// the stream's order, so it never goes back. False when it cannot.
bool ReachStreamOffset(LzmaStream& stream, std::uint64_t offset);

} // namespace brisel
