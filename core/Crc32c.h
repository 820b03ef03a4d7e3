// CRC-32C (the Castagnoli polynomial, the one of the SSE4.2 crc32
// instruction), computed piece by piece: the checksums of the installer's
// own data. With the processor's crc32 instruction where it has one, else
// in portable table-driven code; both give the same value, and the tools
// use the portable code so that every host writes the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisel {

class Crc32c {
public:
    enum class Engine { Fastest, Portable };

    explicit Crc32c(Engine engine = Engine::Fastest);
    void Update(const void* data, std::size_t size);
    std::uint32_t Value() const { return ~state_; }

    // Whether this processor has SSE4.2 and so the crc32 instruction.
    static bool ProcessorHasCrcInstruction();

private:
    bool processor_;
    std::uint32_t state_ = 0xFFFFFFFFu;
};

} // namespace brisel
