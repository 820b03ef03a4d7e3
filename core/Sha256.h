// SHA-256, computed piece by piece: with the processor's SHA instructions
// where it has them, else in portable code. The authors' tools and the
// host substitutes use it either way; the installer uses it where the
// processor has the instructions and asks the system's crypto API
// otherwise.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace brisel {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    enum class Engine { Fastest, Portable };

    explicit Sha256(Engine engine = Engine::Fastest);
    void Update(const void* data, std::size_t size);
    Sha256Digest Final();

    // Whether this processor has the SHA instructions (and the SSE levels
    // they come with).
    static bool ProcessorHasShaInstructions();

private:
    void Blocks(const std::uint8_t* blocks, std::size_t count);

    bool processor_;
    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;
};

} // namespace brisel
