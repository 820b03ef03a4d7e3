// Writes 24-bit pictures as PNG files (uncompressed deflate blocks), for the
// screenshots the tests leave in the build folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brisel::e2e {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // top-down rows, 3 bytes a pixel

    std::uint32_t At(int x, int y) const; // 0xRRGGBB
};

bool WritePng(const std::wstring& path, const Picture& picture);

} // namespace brisel::e2e
