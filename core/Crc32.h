// CRC-32 (the polynomial of zlib, PNG and Ethernet), computed piece by
// piece: the check of a decoded payload.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisel {

class Crc32 {
public:
    void Update(const void* data, std::size_t size);
    std::uint32_t Value() const { return ~state_; }

private:
    std::uint32_t state_ = 0xFFFFFFFFu;
};

} // namespace brisel
