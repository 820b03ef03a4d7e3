// Little-endian fields in byte strings, as PE files store them. Reads are
// bounds-checked: a field past the end of the bytes is a malformed file.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace brisel::pe {

// A file that is not the PE image, resource or icon it should be.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline std::uint32_t ReadLe(std::string_view bytes, std::size_t offset, int width) {
    if (offset > bytes.size() || bytes.size() - offset < static_cast<std::size_t>(width)) {
        throw FormatError("the file ends inside a structure");
    }
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<unsigned>(i)]);
    }
    return value;
}

inline std::uint16_t ReadU16(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(ReadLe(bytes, offset, 2));
}

inline std::uint32_t ReadU32(std::string_view bytes, std::size_t offset) {
    return ReadLe(bytes, offset, 4);
}

inline void PutLe(std::string& bytes, std::size_t offset, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes.at(offset + static_cast<unsigned>(i)) = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

inline void PutU16(std::string& bytes, std::size_t offset, std::uint16_t value) {
    PutLe(bytes, offset, value, 2);
}

inline void PutU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    PutLe(bytes, offset, value, 4);
}

inline void AppendU16(std::string& bytes, std::uint16_t value) {
    bytes.append(2, '\0');
    PutU16(bytes, bytes.size() - 2, value);
}

inline void AppendU32(std::string& bytes, std::uint32_t value) {
    bytes.append(4, '\0');
    PutU32(bytes, bytes.size() - 4, value);
}

// Appends zero bytes up to the next multiple of alignment.
inline void PadTo(std::string& bytes, std::size_t alignment) {
    bytes.append((alignment - bytes.size() % alignment) % alignment, '\0');
}

constexpr std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

} // namespace brisel::pe
