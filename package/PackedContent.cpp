#include "PackedContent.h"

#include "core/X86Filter.h"

#include <algorithm>
#include <cstring>

namespace brisel {

bool ReachStreamOffset(LzmaStream& stream, std::uint64_t offset) {
    return stream.Position() == offset ||
           (stream.Position() < offset && stream.Skip(offset - stream.Position()));
}

bool PackedContent::Verified() {
    return ok_ && done_ == record_.size && crc_.Value() == record_.crc;
}

bool PackedContent::Read(char* buffer, std::size_t size) {
    ok_ = ok_ && size <= record_.size - done_ &&
          (done_ > 0 || ReachStreamOffset(stream_, record_.offset)) &&
          (record_.filtered ? ReadFiltered(buffer, size)
                            : stream_.Read(reinterpret_cast<unsigned char*>(buffer), size));
    if (ok_) {
        crc_.Update(buffer, size);
        done_ += size;
    }
    return ok_;
}

bool PackedContent::ReadFiltered(char* buffer, std::size_t size) {
    // The piece and the filter's lookahead, as far as the payload goes.
    const std::uint64_t decodedSoFar = done_ + pending_.size();
    const std::uint64_t wanted = std::min<std::uint64_t>(size + 4, record_.size - done_);
    const auto more = static_cast<std::size_t>(wanted - pending_.size());
    const std::size_t held = pending_.size();
    pending_.resize(held + more);
    if (!stream_.Read(pending_.data() + held, more)) {
        return false;
    }
    std::size_t final = pendingFinal_;
    final += X86Convert(pending_.data() + final, pending_.size() - final, done_ + final, false);
    if (decodedSoFar + more == record_.size) {
        final = pending_.size(); // the payload's tail stays as it is
    }
    if (final < size) {
        return false; // cannot happen with four bytes of lookahead
    }
    std::memcpy(buffer, pending_.data(), size);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(size));
    pendingFinal_ = final - size;
    return true;
}

} // namespace brisel
