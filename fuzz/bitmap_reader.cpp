// The background picture's reader, fed through the package's resource
// stream: any input either raises one of the reader's two errors and leaves
// an empty picture, or gives a packed DIB whose header describes exactly
// the bytes that were copied, so GDI never reads past them.
#include "FuzzSupport.h"
#include "core/Exceptions.h"
#include "package/TBitmap.h"
#include "package/TResourceStream.h"
#include "platform/substitute/SubstituteStore.h"
#include "tests/native/BitmapFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace brisel;

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
    FUZZ_CHECK(dib.size() >= 40 && test::U32At(dib, 0) == 40);
    // Everything a reader that believes the header takes is what was copied.
    const test::DibExtent described = test::DibExtentFromHeader(dib);
    FUZZ_CHECK(described.pixelOffset == bitmap.PixelOffset());
    FUZZ_CHECK(described.total == dib.size());
    FUZZ_CHECK(bitmap.Width() == static_cast<std::int32_t>(test::U32At(dib, 4)));
    const auto height = static_cast<std::int32_t>(test::U32At(dib, 8));
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
