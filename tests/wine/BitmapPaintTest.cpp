// The background picture drawn by Wine's GDI from nothing but the bytes the
// reader copied: each packed DIB is placed right before a page that cannot
// be read, so drawing that read past it would fault.
#include "package/TBitmap.h"
#include "package/TResourceStream.h"
#include "tests/native/BitmapFile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace brisel {
namespace {

// An 8 x 1 bitmap file with a plain header.
std::string BitmapFile(std::uint16_t bitCount, std::uint32_t coloursUsed, const std::string& extra,
                       const std::string& pixels) {
    test::BitmapFields fields;
    fields.width = 8;
    fields.bitCount = bitCount;
    fields.coloursUsed = coloursUsed;
    fields.extra = extra;
    fields.pixels = pixels;
    return test::BitmapFile(fields);
}

// Memory whose last readable byte is followed by a page that faults.
class GuardedCopy {
public:
    explicit GuardedCopy(const std::string& bytes) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        const std::size_t page = system.dwPageSize;
        const std::size_t readable = (bytes.size() + page - 1) / page * page;
        base_ = static_cast<char*>(
            VirtualAlloc(nullptr, readable + page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + readable, page, PAGE_NOACCESS, &old);
        data_ = base_ + readable - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
    }
    ~GuardedCopy() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedCopy(const GuardedCopy&) = delete;
    GuardedCopy& operator=(const GuardedCopy&) = delete;
    const char* Data() const { return data_; }

private:
    char* base_ = nullptr;
    char* data_ = nullptr;
};

// Draws the picture onto a 32-bit surface and returns its pixels as RGB.
std::vector<std::uint32_t> Draw(const TBitmap& bitmap) {
    const GuardedCopy dib(bitmap.PackedDib());
    BITMAPINFO surfaceInfo{};
    surfaceInfo.bmiHeader.biSize = sizeof surfaceInfo.bmiHeader;
    surfaceInfo.bmiHeader.biWidth = bitmap.Width();
    surfaceInfo.bmiHeader.biHeight = -bitmap.Height();
    surfaceInfo.bmiHeader.biPlanes = 1;
    surfaceInfo.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateDIBSection(dc, &surfaceInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, surface);
    const int lines =
        StretchDIBits(dc, 0, 0, bitmap.Width(), bitmap.Height(), 0, 0, bitmap.Width(),
                      bitmap.Height(), dib.Data() + bitmap.PixelOffset(),
                      reinterpret_cast<const BITMAPINFO*>(dib.Data()), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(lines, bitmap.Height());
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> rgb(pixels, pixels + static_cast<std::size_t>(bitmap.Width()) *
                                                        static_cast<std::size_t>(bitmap.Height()));
    for (auto& pixel : rgb) {
        pixel &= 0xFFFFFF;
    }
    SelectObject(dc, previous);
    DeleteObject(surface);
    DeleteDC(dc);
    return rgb;
}

TEST(BitmapPaint, GdiDrawsThePictureFromTheCopiedBytesAlone) {
    const std::string red("\0\0\xff\0", 4);
    const std::string blue("\xff\0\0\0", 4);
    const std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kBlack = 0;
    std::string table256;
    for (int i = 0; i < 256; ++i) {
        table256 += red;
    }
    const std::string pixels24 = std::string("\xff\0\0", 3) + std::string(21, '\0');
    struct Case {
        const char* name;
        std::string file;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        // Two colours copied, 256 declared: pixels 0-3 use colour 1, 4-7 colour 0.
        {"1 bpp declaring 256 colours",
         BitmapFile(1, 256, red + blue, std::string("\xf0\0\0\0", 4)),
         {kBlue, kBlue, kBlue, kBlue, kRed, kRed, kRed, kRed}},
        // Colour 5 lies beyond the three the file holds: drawn black.
        {"4 bpp with three colours",
         BitmapFile(4, 3, blue + red + blue, "\x01\x12\x05\x10"),
         {kBlue, kRed, kRed, kBlue, kBlue, kBlack, kRed, kBlue}},
        {"24 bpp with a 256-entry optional table",
         BitmapFile(24, 256, table256, pixels24),
         {kBlue, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack}},
    };
    for (const auto& c : cases) {
        TResourceStream stream(c.file);
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
        EXPECT_EQ(Draw(bitmap), c.expected) << c.name;
    }
}

} // namespace
} // namespace brisel
