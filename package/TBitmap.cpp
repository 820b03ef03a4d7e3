#include "TBitmap.h"

#include "TResourceStream.h"
#include "core/Exceptions.h"

#include <cstring>

namespace brisel {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::int64_t kMaxDimension = 32768;

[[noreturn]] void Invalid() {
    // "ビットマップイメージが不正です" (the bitmap image is invalid)
    throw EInvalidGraphic("\x83\x72\x83\x62\x83\x67\x83\x7d\x83\x62\x83\x76\x83\x43\x83\x81"
                          "\x81\x5b\x83\x57\x82\xaa\x95\x73\x90\xb3\x82\xc5\x82\xb7");
}

std::uint32_t U16(std::string_view b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

std::uint32_t U32(std::string_view b, std::size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

void PutU16(std::string& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void PutU32(std::string& out, std::size_t at, std::uint32_t v) {
    PutU16(out, at, v & 0xFFFF);
    PutU16(out, at + 2, v >> 16);
}

struct DibLayout {
    std::string infoHeader;        // the BITMAPINFOHEADER handed to GDI
    std::string masks;             // the three colour masks of a BI_BITFIELDS picture
    std::size_t colourEntries = 0; // 2^bpp up to 8 bits per pixel, else 0
    std::size_t storedEntries = 0; // how many of them the file holds
    bool coreColourTable = false;  // RGBTRIPLE entries to widen to RGBQUAD
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint64_t pixelBytes = 0;
};

// The 40-byte header GDI is given, whatever header the file has: every
// field that tells GDI how much to read agrees with what is copied. The
// colour table always has 2^bpp entries (for up to 8 bits per pixel), so no
// pixel value can index past it; a larger header's extra fields (colour
// space, an ICC profile elsewhere in the file) are not carried over.
std::string PlainInfoHeader(std::string_view header, bool core, std::uint32_t bitCount,
                            std::uint32_t compression, std::uint32_t pixelBytes,
                            std::uint32_t colourEntries) {
    std::string info(kInfoHeaderSize, '\0');
    PutU32(info, 0, kInfoHeaderSize);
    if (core) {
        PutU32(info, 4, U16(header, 4));
        PutU32(info, 8, U16(header, 6));
    } else {
        PutU32(info, 4, U32(header, 4));
        PutU32(info, 8, U32(header, 8));
        PutU32(info, 24, U32(header, 24)); // pixels per metre, for the record
        PutU32(info, 28, U32(header, 28));
        const std::uint32_t important = U32(header, 36);
        PutU32(info, 36, important <= colourEntries ? important : 0);
    }
    PutU16(info, 12, 1);
    PutU16(info, 14, bitCount);
    PutU32(info, 16, compression);
    PutU32(info, 20, pixelBytes);
    PutU32(info, 32, colourEntries);
    return info;
}

DibLayout ReadInfoHeader(TResourceStream& stream) {
    const auto sizeField = stream.ReadBuffer(4);
    const std::uint32_t headerSize = U32(sizeField, 0);
    if (headerSize != kCoreHeaderSize && (headerSize < kInfoHeaderSize || headerSize > 1024)) {
        Invalid();
    }
    std::string header(sizeField);
    header += stream.ReadBuffer(headerSize - 4);

    const bool core = headerSize == kCoreHeaderSize;
    const auto width = static_cast<std::int32_t>(core ? U16(header, 4) : U32(header, 4));
    const auto height = static_cast<std::int32_t>(core ? U16(header, 6) : U32(header, 8));
    const std::uint32_t planes = core ? U16(header, 8) : U16(header, 12);
    const std::uint32_t bitCount = core ? U16(header, 10) : U16(header, 14);
    const std::uint32_t compression = core ? kBiRgb : U32(header, 16);
    const std::uint32_t sizeImage = core ? 0 : U32(header, 20);

    const std::int64_t absHeight = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (planes != 1 || width <= 0 || width > kMaxDimension || absHeight == 0 ||
        absHeight > kMaxDimension) {
        Invalid();
    }
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        Invalid();
    }
    const bool rle = compression == kBiRle8 || compression == kBiRle4;
    if ((compression == kBiRle8 && bitCount != 8) || (compression == kBiRle4 && bitCount != 4) ||
        (compression == kBiBitfields && bitCount != 16 && bitCount != 32) ||
        (compression > kBiBitfields) || (rle && height < 0)) {
        Invalid();
    }

    DibLayout layout;
    if (bitCount <= 8) {
        // The file holds biClrUsed entries; all 2^bpp when that is 0 or too large.
        const std::uint32_t coloursUsed = core ? 0 : U32(header, 32);
        layout.colourEntries = std::size_t{1} << bitCount;
        layout.storedEntries = (coloursUsed == 0 || coloursUsed > layout.colourEntries)
                                   ? layout.colourEntries
                                   : coloursUsed;
        layout.coreColourTable = core;
    } else if (compression == kBiBitfields) {
        // The masks follow a plain header and are part of every larger one.
        if (headerSize == kInfoHeaderSize) {
            layout.masks = std::string(stream.ReadBuffer(12));
        } else if (headerSize >= kInfoHeaderSize + 12) {
            layout.masks = header.substr(kInfoHeaderSize, 12);
        } else {
            Invalid();
        }
    }
    layout.width = width;
    layout.height = height;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
    layout.pixelBytes = rle ? sizeImage : stride * static_cast<std::uint64_t>(absHeight);
    if (layout.pixelBytes == 0 || layout.pixelBytes > 0xFFFFFFFFu) {
        Invalid();
    }
    layout.infoHeader = PlainInfoHeader(header, core, bitCount, compression,
                                        static_cast<std::uint32_t>(layout.pixelBytes),
                                        static_cast<std::uint32_t>(layout.colourEntries));
    return layout;
}

// The colour table as 2^bpp RGBQUAD entries: those the file holds, then
// black ones.
std::string ReadColourTable(TResourceStream& stream, const DibLayout& layout) {
    if (layout.colourEntries == 0) {
        return std::string();
    }
    const std::size_t stored = layout.storedEntries;
    const auto table = stream.ReadBuffer(stored * (layout.coreColourTable ? 3 : 4));
    std::string quads;
    if (layout.coreColourTable) {
        for (std::size_t i = 0; i < stored; ++i) {
            quads.append(table.substr(i * 3, 3));
            quads.push_back('\0');
        }
    } else {
        quads = std::string(table);
    }
    quads.resize(layout.colourEntries * 4, '\0');
    return quads;
}

} // namespace

void TBitmap::LoadFromStream(TResourceStream& stream) {
    packedDib_.clear();
    width_ = height_ = 0;
    pixelOffset_ = 0;
    if (stream.Size() - stream.Position() == 0) {
        return;
    }
    const std::size_t start = stream.Position();
    const auto fileHeader = stream.ReadBuffer(kFileHeaderSize);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') {
        Invalid();
    }
    const std::uint32_t pixelFileOffset = U32(fileHeader, 10);

    const DibLayout layout = ReadInfoHeader(stream);
    std::string dib = layout.infoHeader + layout.masks;
    dib += ReadColourTable(stream, layout);

    // Pixels start where the file header says, when that lies past the
    // headers read so far; otherwise right after them.
    const std::size_t headersEnd = stream.Position() - start;
    if (pixelFileOffset > headersEnd) {
        stream.ReadBuffer(pixelFileOffset - headersEnd);
    }
    if (layout.pixelBytes > stream.Size() - stream.Position()) {
        RaiseReadError();
    }
    const std::size_t offset = dib.size();
    dib += stream.ReadBuffer(static_cast<std::size_t>(layout.pixelBytes));

    packedDib_ = std::move(dib);
    pixelOffset_ = offset;
    width_ = layout.width;
    height_ = layout.height < 0 ? -layout.height : layout.height;
}

} // namespace brisel
