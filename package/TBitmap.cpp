#include "TBitmap.h"

#include "TResourceStream.h"
#include "support/Exceptions.h"

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
    throw EInvalidGraphic("ビットマップイメージが不正です");
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
    std::string infoHeader; // always a BITMAPINFOHEADER or larger
    std::size_t colourTableBytes = 0;
    bool coreColourTable = false; // RGBTRIPLE entries to widen to RGBQUAD
    std::size_t colourEntries = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint64_t pixelBytes = 0;
};

// Builds a BITMAPINFOHEADER from an OS/2 core header, which GDI draws less
// reliably than the common form.
std::string WidenCoreHeader(std::string_view core) {
    std::string info(kInfoHeaderSize, '\0');
    PutU32(info, 0, kInfoHeaderSize);
    PutU32(info, 4, U16(core, 4));
    PutU32(info, 8, U16(core, 6));
    PutU16(info, 12, U16(core, 8));
    PutU16(info, 14, U16(core, 10));
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

    DibLayout layout;
    const bool core = headerSize == kCoreHeaderSize;
    layout.infoHeader = core ? WidenCoreHeader(header) : header;
    const std::string& info = layout.infoHeader;
    const auto width = static_cast<std::int32_t>(U32(info, 4));
    const auto height = static_cast<std::int32_t>(U32(info, 8));
    const std::uint32_t planes = U16(info, 12);
    const std::uint32_t bitCount = U16(info, 14);
    const std::uint32_t compression = U32(info, 16);
    const std::uint32_t sizeImage = U32(info, 20);
    const std::uint32_t coloursUsed = core ? 0 : U32(info, 32);

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

    if (bitCount <= 8) {
        const std::size_t maxEntries = std::size_t{1} << bitCount;
        layout.colourEntries =
            (coloursUsed == 0 || coloursUsed > maxEntries) ? maxEntries : coloursUsed;
        layout.coreColourTable = core;
        layout.colourTableBytes = layout.colourEntries * (core ? 3 : 4);
    } else if (compression == kBiBitfields && headerSize == kInfoHeaderSize) {
        layout.colourTableBytes = 12; // the three colour masks follow the header
    }
    layout.width = width;
    layout.height = height;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
    layout.pixelBytes = rle ? sizeImage : stride * static_cast<std::uint64_t>(absHeight);
    if (layout.pixelBytes == 0) {
        Invalid();
    }
    return layout;
}

std::string ReadColourTable(TResourceStream& stream, const DibLayout& layout) {
    const auto table = stream.ReadBuffer(layout.colourTableBytes);
    if (!layout.coreColourTable) {
        return std::string(table);
    }
    std::string quads;
    for (std::size_t i = 0; i < layout.colourEntries; ++i) {
        quads.append(table.substr(i * 3, 3));
        quads.push_back('\0');
    }
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
    std::string dib = layout.infoHeader;
    dib += ReadColourTable(stream, layout);

    // Pixels start where the file header says, when that lies past the
    // headers read so far; otherwise right after them.
    const std::size_t headersEnd = stream.Position() - start;
    if (pixelFileOffset > headersEnd) {
        stream.ReadBuffer(pixelFileOffset - headersEnd);
    }
    if (layout.pixelBytes > stream.Size() - stream.Position()) {
        throw EReadError("ストリームからの読み込みエラー");
    }
    const std::size_t offset = dib.size();
    dib += stream.ReadBuffer(static_cast<std::size_t>(layout.pixelBytes));

    packedDib_ = std::move(dib);
    pixelOffset_ = offset;
    width_ = layout.width;
    height_ = layout.height < 0 ? -layout.height : layout.height;
}

} // namespace brisel
