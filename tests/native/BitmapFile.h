// Builds Windows bitmap files in memory for the tests.
#pragma once

#include <cstdint>
#include <string>

namespace brisel::test {

// A bottom-up 24-bit bitmap file of the given size, every pixel (r, g, b).
std::string BitmapFile24(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b);

} // namespace brisel::test
