// A delta payload as the content of its file: the new version rebuilt from
// the previous one (read at offsets from the game folder) and the delta's
// instructions in the package's stream, verified by size and SHA-256. A
// chunk's numbers and new bytes are held while its differences stream by;
// new data that was stored raw is read from the package as it stands.
#pragma once

#include "LzmaStream.h"
#include "PayloadRecords.h"
#include "core/EntryPath.h"
#include "platform/FileReader.h"
#include "platform/Files.h"
#include "platform/GameFolder.h"
#include "platform/Sha256Hasher.h"

#include <memory>
#include <string_view>
#include <vector>

namespace brisel {

// The buffers a delta is rebuilt through, reused by every delta of a step
// and had before anything is written: a chunk's numbers and new bytes, and
// the old bytes of a piece (each at most 1 MiB).
struct DeltaBuffers {
    std::vector<unsigned char> control;
    std::vector<unsigned char> adds;
    std::vector<char> old;
    // Takes the memory of the largest chunk and piece now.
    void Reserve();
};

class DeltaContent : public platform::FileContent {
public:
    // The previous version is the entry's file in folder, opened at the
    // first read (the writer first makes sure the destination can be
    // replaced) and closed once the new version is verified; entry must
    // outlive the content. stored is the delta's stored new data.
    DeltaContent(LzmaStream& stream, const DeltaRecord& record, const DeltaSource& source,
                 std::string_view stored, platform::GameFolder& folder, const EntryPath& entry,
                 DeltaBuffers& buffers);

    std::uint64_t Size() const override { return newSize_; }
    bool MayWriteInPlace() const override { return false; }
    bool Verified() override;
    bool Read(char* buffer, std::size_t size) override;

private:
    bool Start();
    bool NextChunk();
    bool NextBlock();
    bool ReadStreamNumber(std::uint64_t& value);
    bool ReadControlNumber(std::uint64_t& value);
    bool Fill(char* buffer, std::size_t size);

    LzmaStream& stream_;
    DeltaSource source_;
    std::uint64_t newSize_;
    Sha256Digest newDigest_;
    platform::GameFolder& folder_;
    const EntryPath& entry_;
    std::unique_ptr<platform::FileReader> old_;
    platform::Sha256Hasher hasher_;
    bool started_ = false;
    bool ok_ = true;
    std::uint64_t done_ = 0;
    std::uint64_t instructionsLeft_ = 0;
    std::uint64_t sameLeft_ = 0;
    std::uint64_t copyLeft_ = 0;
    std::uint64_t addLeft_ = 0;
    std::int64_t seek_ = 0;
    std::int64_t readPosition_ = 0;
    // The current chunk's numbers and new bytes (decoded into decodedAdds_,
    // or a piece of stored_), and how far each is used.
    std::vector<unsigned char>& control_;
    std::size_t controlUsed_ = 0;
    std::vector<unsigned char>& decodedAdds_;
    std::string_view adds_;
    std::size_t addsUsed_ = 0;
    std::string_view stored_;
    std::size_t storedUsed_ = 0;
    std::vector<char>& oldBytes_;
};

} // namespace brisel
