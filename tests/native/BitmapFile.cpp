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

} // namespace brisel::test
