// Builds Windows bitmap files in memory for the tests.
#pragma once

#include <cstdint>
#include <string>

namespace brisel::test {

// A bottom-up 24-bit bitmap file of the given size, every pixel (r, g, b).
std::string BitmapFile24(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b);

// Any bitmap file: the file header, an info header of headerSize bytes
// (at least 40; the masks go at its offset 40 when it has room for them),
// then extra (masks after a plain header, a colour table), then the pixels,
// which start right after extra.
struct BitmapFields {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t coloursImportant = 0;
    std::string headerMasks; // written at offset 40 of a larger header
    std::string extra;
    std::string pixels;
};
std::string BitmapFile(const BitmapFields& fields);

// Four bytes, little-endian, and back.
std::string U32Bytes(std::uint32_t value);
std::uint32_t U32At(const std::string& bytes, std::size_t at);

// What a reader of a packed DIB takes from it when it believes every field
// of the header: the header, the masks after a plain header, as many colour
// entries as biClrUsed says (2^bpp when it is 0), then the pixels (the
// image size of a run-length encoded picture, whole rows otherwise).
struct DibExtent {
    std::uint64_t pixelOffset;
    std::uint64_t total;
};
DibExtent DibExtentFromHeader(const std::string& dib);

} // namespace brisel::test
