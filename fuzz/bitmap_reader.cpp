// The background picture's reader, fed through the package's resource
// stream: any input either raises one of the reader's two errors and leaves
// an empty picture, or gives a packed DIB whose header describes exactly
// the bytes that were copied, so GDI never reads past them.
#include "FuzzSupport.h"
#include "package/TBitmap.h"
#include "package/TResourceStream.h"
#include "platform/substitute/SubstituteStore.h"
#include "support/Exceptions.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace brisel;

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i > 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i - 1]);
    }
    return value;
}

// What a reader that believes every field of the header takes from the
// packed DIB: where it expects the pixels and how many bytes in all.
struct Described {
    std::uint64_t pixelOffset;
    std::uint64_t total;
};

Described DescribedByHeader(const std::string& dib) {
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    substitute::PackageResources().clear();
    substitute::PackageResources()[{"BMP", "RESOURCE_BACKGROUND"}] =
        std::string(reinterpret_cast<const char*>(data), size);
    const auto stream = TResourceStream::Open("BMP", "RESOURCE_BACKGROUND");
    FUZZ_CHECK(stream->Size() == size);

    TBitmap bitmap;
    try {
        bitmap.LoadFromStream(*stream);
    } catch (const EInvalidGraphic&) {
        FUZZ_CHECK(bitmap.Empty() && bitmap.Width() == 0 && bitmap.Height() == 0);
        return 0;
    } catch (const EReadError&) {
        FUZZ_CHECK(bitmap.Empty() && bitmap.Width() == 0 && bitmap.Height() == 0);
        return 0;
    }
    if (bitmap.Empty()) {
        FUZZ_CHECK(size == 0);
        return 0;
    }
    const std::string& dib = bitmap.PackedDib();
    FUZZ_CHECK(dib.size() >= 40 && U32At(dib, 0) == 40);
    const Described described = DescribedByHeader(dib);
    FUZZ_CHECK(described.pixelOffset == bitmap.PixelOffset());
    FUZZ_CHECK(described.total == dib.size());
    FUZZ_CHECK(bitmap.Width() == static_cast<std::int32_t>(U32At(dib, 4)));
    const auto height = static_cast<std::int32_t>(U32At(dib, 8));
    FUZZ_CHECK(bitmap.Height() == std::abs(height));
    FUZZ_CHECK(bitmap.Width() >= 1 && bitmap.Width() <= 32768);
    FUZZ_CHECK(bitmap.Height() >= 1 && bitmap.Height() <= 32768);
    // The pixels are the input's last bytes read, copied unchanged.
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t pixels = dib.size() - bitmap.PixelOffset();
    FUZZ_CHECK(
        stream->Position() >= pixels &&
        dib.compare(bitmap.PixelOffset(), pixels, input, stream->Position() - pixels, pixels) == 0);

    // A failed load after a good one leaves an empty picture.
    TResourceStream broken(std::string_view(input).substr(0, 13));
    try {
        bitmap.LoadFromStream(broken);
        FUZZ_CHECK(false);
    } catch (const EReadError&) {
        FUZZ_CHECK(bitmap.Empty());
    }
    return 0;
}
