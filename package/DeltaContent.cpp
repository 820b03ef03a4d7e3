#include "DeltaContent.h"

#include "PackedContent.h"

#include <algorithm>
#include <cstdint>

namespace brisel {

DeltaContent::DeltaContent(LzmaStream& stream, const DeltaRecord& record, const DeltaSource& source,
                           const WideString& oldPath)
    : stream_(stream), source_(source), newSize_(record.newSize), newDigest_(record.newDigest),
      oldPath_(oldPath), instructionsLeft_(source.length) {}

bool DeltaContent::Start() {
    started_ = true;
    old_ = platform::OpenFileForReading(oldPath_);
    return old_ != nullptr && old_->Size() == source_.oldSize &&
           ReachStreamOffset(stream_, source_.offset);
}

bool DeltaContent::ReadNumber(std::uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        unsigned char byte = 0;
        if (instructionsLeft_ == 0 || !stream_.Read(&byte, 1)) {
            return false;
        }
        --instructionsLeft_;
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
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
    if (!ReadNumber(copyLeft_) || !ReadNumber(addLeft_) || !ReadNumber(seek)) {
        return false;
    }
    // Zigzag: 2n for n >= 0, -2n - 1 for n < 0.
    seek_ = (seek & 1) != 0 ? -static_cast<std::int64_t>(seek >> 1) - 1
                            : static_cast<std::int64_t>(seek >> 1);
    return copyLeft_ <= instructionsLeft_ && addLeft_ <= instructionsLeft_ - copyLeft_;
}

bool DeltaContent::Fill(char* buffer, std::size_t size) {
    while (size > 0) {
        if (copyLeft_ == 0 && addLeft_ == 0 && !NextBlock()) {
            return false;
        }
        if (copyLeft_ > 0) {
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
            if (!stream_.Read(reinterpret_cast<unsigned char*>(buffer), piece)) {
                return false;
            }
            addLeft_ -= piece;
            instructionsLeft_ -= piece;
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
    while (ok_ && instructionsLeft_ > 0 && copyLeft_ == 0 && addLeft_ == 0) {
        ok_ = NextBlock() && copyLeft_ == 0 && addLeft_ == 0;
    }
    // The previous version is let go before the new one replaces it.
    old_.reset();
    Sha256Digest digest{};
    return ok_ && done_ == newSize_ && copyLeft_ == 0 && addLeft_ == 0 && instructionsLeft_ == 0 &&
           hasher_.Final(digest) && digest == newDigest_;
}

} // namespace brisel
