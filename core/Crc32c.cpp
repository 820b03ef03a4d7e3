#include "core/Crc32c.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define BRISEL_CRC_INSTRUCTION 1
#endif

namespace brisel {

namespace {

// Slicing by eight: entries[k][b] is the CRC of byte b followed by k zero
// bytes, so eight bytes are folded in with eight lookups at once.
struct Tables {
    std::uint32_t entries[8][256];
    Tables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0x82F63B78u ^ (c >> 1) : c >> 1;
            }
            entries[0][i] = c;
        }
        for (int k = 1; k < 8; ++k) {
            for (int i = 0; i < 256; ++i) {
                const std::uint32_t c = entries[k - 1][i];
                entries[k][i] = (c >> 8) ^ entries[0][c & 0xFF];
            }
        }
    }
};

std::uint32_t LittleEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::uint32_t PortableUpdate(std::uint32_t c, const unsigned char* p, std::size_t size) {
    // Made at first use: 8 KiB of tables in the image would cost the stub.
    static const Tables tables;
    const auto& t = tables.entries;
    for (; size >= 8; p += 8, size -= 8) {
        const std::uint32_t low = c ^ LittleEndian32(p);
        const std::uint32_t high = LittleEndian32(p + 4);
        c = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^
            t[4][low >> 24] ^ t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^
            t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; size > 0; ++p, --size) {
        c = t[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    }
    return c;
}

#ifdef BRISEL_CRC_INSTRUCTION
// Single bytes up to an aligned address, then a word at a time.
__attribute__((target("sse4.2"))) std::uint32_t
ProcessorUpdate(std::uint32_t c, const unsigned char* p, std::size_t size) {
    for (; size > 0 && reinterpret_cast<std::uintptr_t>(p) % 8 != 0; ++p, --size) {
        c = _mm_crc32_u8(c, *p);
    }
#ifdef __x86_64__
    std::uint64_t wide = c;
    for (; size >= 8; p += 8, size -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        wide = _mm_crc32_u64(wide, word);
    }
    c = static_cast<std::uint32_t>(wide);
#else
    for (; size >= 4; p += 4, size -= 4) {
        std::uint32_t word;
        std::memcpy(&word, p, 4);
        c = _mm_crc32_u32(c, word);
    }
#endif
    for (; size > 0; ++p, --size) {
        c = _mm_crc32_u8(c, *p);
    }
    return c;
}
#endif

} // namespace

bool Crc32c::ProcessorHasCrcInstruction() {
#ifdef BRISEL_CRC_INSTRUCTION
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) != 0 && (c & bit_SSE4_2) != 0;
#else
    return false;
#endif
}

Crc32c::Crc32c(Engine engine)
    : processor_(engine == Engine::Fastest && ProcessorHasCrcInstruction()) {}

void Crc32c::Update(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
#ifdef BRISEL_CRC_INSTRUCTION
    if (processor_) {
        state_ = ProcessorUpdate(state_, bytes, size);
        return;
    }
#endif
    state_ = PortableUpdate(state_, bytes, size);
}

} // namespace brisel
