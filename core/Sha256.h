// SHA-256, computed piece by piece: the portable implementation, for the
// authors' tools and the host substitutes (the installer asks the system's
// crypto API).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace brisel {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    void Update(const void* data, std::size_t size);
    Sha256Digest Final();

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;
};

} // namespace brisel
