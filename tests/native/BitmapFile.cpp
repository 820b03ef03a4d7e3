#include "BitmapFile.h"

namespace brisel::test {

namespace {

void Put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

} // namespace

std::string BitmapFile24(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const int stride = (width * 3 + 3) / 4 * 4;
    const auto pixelBytes = static_cast<std::uint32_t>(stride * height);
    std::string file = "BM";
    Put(file, 54 + pixelBytes, 4);
    Put(file, 0, 4);
    Put(file, 54, 4);
    Put(file, 40, 4);
    Put(file, static_cast<std::uint32_t>(width), 4);
    Put(file, static_cast<std::uint32_t>(height), 4);
    Put(file, 1, 2);
    Put(file, 24, 2);
    Put(file, 0, 4);
    Put(file, pixelBytes, 4);
    file.append(16, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            file.push_back(static_cast<char>(b));
            file.push_back(static_cast<char>(g));
            file.push_back(static_cast<char>(r));
        }
        file.append(static_cast<std::size_t>(stride - width * 3), '\0');
    }
    return file;
}

std::string BitmapFile(const BitmapFields& fields) {
    std::string header;
    Put(header, fields.headerSize, 4);
    Put(header, static_cast<std::uint32_t>(fields.width), 4);
    Put(header, static_cast<std::uint32_t>(fields.height), 4);
    Put(header, 1, 2);
    Put(header, fields.bitCount, 2);
    Put(header, fields.compression, 4);
    Put(header, fields.sizeImage, 4);
    Put(header, 0, 4); // pixels per metre
    Put(header, 0, 4);
    Put(header, fields.coloursUsed, 4);
    Put(header, fields.coloursImportant, 4);
    header += fields.headerMasks;
    header.resize(fields.headerSize, '\0');

    const auto pixelOffset = static_cast<std::uint32_t>(14 + header.size() + fields.extra.size());
    std::string file = "BM";
    Put(file, pixelOffset + static_cast<std::uint32_t>(fields.pixels.size()), 4);
    Put(file, 0, 4);
    Put(file, pixelOffset, 4);
    return file + header + fields.extra + fields.pixels;
}

std::string U32Bytes(std::uint32_t value) {
    std::string bytes;
    Put(bytes, value, 4);
    return bytes;
}

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i > 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i - 1]);
    }
    return value;
}

DibExtent DibExtentFromHeader(const std::string& dib) {
    const std::uint32_t headerSize = U32At(dib, 0);
    const auto width = static_cast<std::int32_t>(U32At(dib, 4));
    const auto height = static_cast<std::int32_t>(U32At(dib, 8));
    const std::uint32_t bitCount = U32At(dib, 12) >> 16;
    const std::uint32_t compression = U32At(dib, 16);
    const std::uint32_t coloursUsed = U32At(dib, 32);
    const std::uint64_t colours =
        coloursUsed != 0 ? coloursUsed : (bitCount <= 8 ? std::uint64_t{1} << bitCount : 0);
    const std::uint64_t masks = compression == 3 && headerSize == 40 ? 12 : 0;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    const std::uint64_t pixels =
        compression == 1 || compression == 2 ? U32At(dib, 20) : stride * rows;
    const std::uint64_t offset = headerSize + masks + colours * 4;
    return {offset, offset + pixels};
}

} // namespace brisel::test
