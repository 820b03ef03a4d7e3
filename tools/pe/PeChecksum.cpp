#include "PeChecksum.h"

#include <cstring>

namespace brisel::pe {

namespace {

// Folds a sum of 16-bit words into 16 bits, adding each carry back in.
std::uint32_t Fold(std::uint64_t sum) {
    while (sum > 0xFFFF) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint32_t>(sum);
}

constexpr bool kBigEndianHost = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

} // namespace

// Since 0x10000 is 1 modulo 0xFFFF, a little-endian 32-bit word adds the same
// as its two 16-bit halves, so whole 32-bit words are summed and folded once
// per piece. A piece that starts at an odd offset first completes the word
// begun by the previous piece.
void PeChecksum::Add(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    if (n > 0 && length_ % 2 == 1) {
        sum_ += std::uint64_t{*p} << 8;
        ++p;
        --n;
        ++length_;
    }
    // Each 64-bit load adds as its two 32-bit halves; the sum of at most
    // 2^31 halves of a piece cannot overflow 64 bits.
    std::uint64_t sum = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p + i, 8);
        if constexpr (kBigEndianHost) {
            word = __builtin_bswap64(word);
        }
        sum += (word & 0xFFFFFFFF) + (word >> 32);
    }
    for (; i < n; ++i) {
        sum += std::uint64_t{p[i]} << (i % 2 == 0 ? 0 : 8);
    }
    sum_ = Fold(sum_) + Fold(sum);
    length_ += n;
}

std::uint32_t PeChecksum::Value() const {
    return Fold(sum_) + static_cast<std::uint32_t>(length_);
}

} // namespace brisel::pe
