#include "core/X86Filter.h"

namespace brisel {

namespace {

bool IsNearByte(unsigned char byte) {
    return byte == 0x00 || byte == 0xFF;
}

} // namespace

std::size_t X86Convert(unsigned char* data, std::size_t size, std::uint64_t position,
                       bool encoding) {
    std::size_t pos = 0;
    while (pos + 5 <= size) {
        unsigned char* const p = data + pos;
        if ((p[0] & 0xFE) != 0xE8) {
            ++pos;
            continue;
        }
        // The four bytes after E8 or E9 are skipped whether or not they
        // change: only bytes that neither side rewrites decide where the
        // next instruction starts.
        if (!IsNearByte(p[4])) {
            pos += 5;
            continue;
        }
        std::uint32_t value =
            static_cast<std::uint32_t>(p[1]) | (static_cast<std::uint32_t>(p[2]) << 8) |
            (static_cast<std::uint32_t>(p[3]) << 16) | (static_cast<std::uint32_t>(p[4]) << 24);
        // The address of the next instruction, modulo 2^32.
        const auto next = static_cast<std::uint32_t>(position + pos + 5);
        value = encoding ? value + next : value - next;
        // 25 bits are kept; the last byte repeats bit 24, as a near operand
        // does, so the decoder sees an operand it converts again.
        p[1] = static_cast<unsigned char>(value);
        p[2] = static_cast<unsigned char>(value >> 8);
        p[3] = static_cast<unsigned char>(value >> 16);
        p[4] = static_cast<unsigned char>(0 - ((value >> 24) & 1));
        pos += 5;
    }
    return pos;
}

} // namespace brisel
