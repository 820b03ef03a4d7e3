// The PE image checksum, computed over a file fed in pieces of any size in
// file order: the end-around-carry sum of its little-endian 16-bit words
// (the checksum field itself read as zero), plus the file's length.
#pragma once

#include <cstdint>
#include <string_view>

namespace brisel::pe {

class PeChecksum {
public:
    void Add(std::string_view bytes);
    std::uint32_t Value() const;

private:
    std::uint64_t sum_ = 0;
    std::uint64_t length_ = 0;
};

} // namespace brisel::pe
