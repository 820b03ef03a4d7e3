#include "DeltaContent.h"

#include "PackedContent.h"
#include "core/DeltaFormat.h"

#include <algorithm>
#include <cstdint>

namespace brisel {

void DeltaBuffers::Reserve() {
    control.reserve(kDeltaSectionLimit);
    adds.reserve(kDeltaSectionLimit);
    old.reserve(kDeltaSectionLimit);
}

DeltaContent::DeltaContent(LzmaStream& stream, const DeltaRecord& record, const DeltaSource& source,
                           std::string_view stored, platform::GameFolder& folder,
                           const EntryPath& entry, DeltaBuffers& buffers)
    : stream_(stream), source_(source), newSize_(record.newSize), newDigest_(record.newDigest),
      folder_(folder), entry_(entry), instructionsLeft_(source.length), control_(buffers.control),
      decodedAdds_(buffers.adds), stored_(stored), oldBytes_(buffers.old) {
    control_.clear();
    decodedAdds_.clear();
}

bool DeltaContent::Start() {
    started_ = true;
    old_ = folder_.OpenForReading(entry_);
    return old_ != nullptr && old_->Size() == source_.oldSize &&
           ReachStreamOffset(stream_, source_.offset);
}

namespace {

// An unsigned LEB128 number, its bytes taken from next until one has the
// high bit clear; false when next has none or the number exceeds 64 bits.
template <typename NextByte> bool ReadVarint(NextByte next, std::uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        unsigned char byte = 0;
        if (!next(byte)) {
            return false;
        }
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

bool DeltaContent::ReadStreamNumber(std::uint64_t& value) {
    return ReadVarint(
        [this](unsigned char& byte) {
            if (instructionsLeft_ == 0 || !stream_.Read(&byte, 1)) {
                return false;
            }
            --instructionsLeft_;
            return true;
        },
        value);
}

bool DeltaContent::ReadControlNumber(std::uint64_t& value) {
    return ReadVarint(
        [this](unsigned char& byte) {
            if (controlUsed_ == control_.size()) {
                return false;
            }
            byte = control_[controlUsed_++];
            return true;
        },
        value);
}

bool DeltaContent::NextChunk() {
    std::uint64_t controlSize = 0, addsNumber = 0;
    if (addsUsed_ != adds_.size() || !ReadStreamNumber(controlSize) ||
        !ReadStreamNumber(addsNumber) || controlSize == 0 || controlSize > kDeltaSectionLimit) {
        return false;
    }
    const bool stored = (addsNumber & kDeltaStoredFlag) != 0;
    const std::uint64_t addsSize = addsNumber >> 1;
    if (addsSize > kDeltaSectionLimit ||
        controlSize + (stored ? 0 : addsSize) > instructionsLeft_ ||
        (stored && addsSize > stored_.size() - storedUsed_)) {
        return false;
    }
    control_.resize(static_cast<std::size_t>(controlSize));
    controlUsed_ = 0;
    addsUsed_ = 0;
    instructionsLeft_ -= controlSize;
    if (!stream_.Read(control_.data(), control_.size())) {
        return false;
    }
    if (stored) {
        adds_ = stored_.substr(storedUsed_, static_cast<std::size_t>(addsSize));
        storedUsed_ += adds_.size();
        return true;
    }
    decodedAdds_.resize(static_cast<std::size_t>(addsSize));
    instructionsLeft_ -= addsSize;
    adds_ =
        std::string_view(reinterpret_cast<const char*>(decodedAdds_.data()), decodedAdds_.size());
    return stream_.Read(decodedAdds_.data(), decodedAdds_.size());
}

bool DeltaContent::NextBlock() {
    // The previous block's seek; a position beyond what 64 bits hold is
    // no position in any file.
    if ((seek_ > 0 && readPosition_ > INT64_MAX - seek_) ||
        (seek_ < 0 && readPosition_ < INT64_MIN - seek_)) {
        return false;
    }
    readPosition_ += seek_;
    std::uint64_t seek = 0;
    if ((controlUsed_ == control_.size() && !NextChunk()) || !ReadControlNumber(sameLeft_) ||
        !ReadControlNumber(copyLeft_) || !ReadControlNumber(addLeft_) || !ReadControlNumber(seek)) {
        return false;
    }
    // Zigzag: 2n for n >= 0, -2n - 1 for n < 0.
    seek_ = (seek & 1) != 0 ? -static_cast<std::int64_t>(seek >> 1) - 1
                            : static_cast<std::int64_t>(seek >> 1);
    return copyLeft_ <= instructionsLeft_ && addLeft_ <= adds_.size() - addsUsed_;
}

bool DeltaContent::Fill(char* buffer, std::size_t size) {
    while (size > 0) {
        if (sameLeft_ == 0 && copyLeft_ == 0 && addLeft_ == 0 && !NextBlock()) {
            return false;
        }
        if (sameLeft_ > 0) {
            const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(sameLeft_, size));
            if (readPosition_ < 0 ||
                !old_->ReadAt(static_cast<std::uint64_t>(readPosition_), buffer, piece)) {
                return false;
            }
            sameLeft_ -= piece;
            readPosition_ += static_cast<std::int64_t>(piece);
            buffer += piece;
            size -= piece;
        } else if (copyLeft_ > 0) {
            const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(copyLeft_, size));
            oldBytes_.resize(piece);
            if (readPosition_ < 0 ||
                !old_->ReadAt(static_cast<std::uint64_t>(readPosition_), oldBytes_.data(), piece) ||
                !stream_.Read(reinterpret_cast<unsigned char*>(buffer), piece)) {
                return false;
            }
            for (std::size_t i = 0; i < piece; ++i) {
                buffer[i] = static_cast<char>(buffer[i] + oldBytes_[i]);
            }
            copyLeft_ -= piece;
            instructionsLeft_ -= piece;
            readPosition_ += static_cast<std::int64_t>(piece);
            buffer += piece;
            size -= piece;
        } else {
            const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(addLeft_, size));
            adds_.copy(buffer, piece, addsUsed_);
            addsUsed_ += piece;
            addLeft_ -= piece;
            buffer += piece;
            size -= piece;
        }
    }
    return true;
}

bool DeltaContent::Read(char* buffer, std::size_t size) {
    ok_ = ok_ && size <= newSize_ - done_ && (started_ || Start()) && Fill(buffer, size) &&
          hasher_.Update(buffer, size);
    if (ok_) {
        done_ += size;
    }
    return ok_;
}

bool DeltaContent::Verified() {
    ok_ = ok_ && (started_ || Start());
    // Blocks after the last byte may only be empty ones.
    const auto empty = [this] { return sameLeft_ == 0 && copyLeft_ == 0 && addLeft_ == 0; };
    while (ok_ && (instructionsLeft_ > 0 || controlUsed_ < control_.size()) && empty()) {
        ok_ = NextBlock() && empty();
    }
    // The previous version is let go before the new one replaces it.
    old_.reset();
    Sha256Digest digest{};
    return ok_ && done_ == newSize_ && empty() && instructionsLeft_ == 0 &&
           addsUsed_ == adds_.size() && storedUsed_ == stored_.size() && hasher_.Final(digest) &&
           digest == newDigest_;
}

} // namespace brisel
