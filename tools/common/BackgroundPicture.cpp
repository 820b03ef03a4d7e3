#include "BackgroundPicture.h"

#include "stb/stb_image.h"

#include <cstdint>
#include <memory>

namespace brisel::tools {

namespace {

struct PixelsFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// A colour channel laid on the window's grey with the pixel's alpha,
// rounded to the nearest value.
unsigned char OnGrey(unsigned char channel, unsigned char alpha) {
    return static_cast<unsigned char>((channel * alpha + kWindowGrey * (255 - alpha) + 127) / 255);
}

bool StartsWith(std::string_view bytes, std::string_view signature) {
    return bytes.substr(0, signature.size()) == signature;
}

} // namespace

const char* const kBackgroundNames[4] = {"background.bmp", "background.png", "background.jpg",
                                         "background.jpeg"};

PictureFormat SniffPicture(std::string_view bytes) {
    if (bytes.empty()) {
        return PictureFormat::Empty;
    }
    if (StartsWith(bytes, "BM")) {
        return PictureFormat::Bitmap;
    }
    if (StartsWith(bytes, "\x89PNG\r\n\x1A\n")) {
        return PictureFormat::Png;
    }
    if (StartsWith(bytes, "\xFF\xD8\xFF")) {
        return PictureFormat::Jpeg;
    }
    if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) {
        return PictureFormat::Gif;
    }
    return PictureFormat::Other;
}

PictureFormat FormatOfName(const std::string& name) {
    const PictureFormat formats[] = {PictureFormat::Bitmap, PictureFormat::Png, PictureFormat::Jpeg,
                                     PictureFormat::Jpeg};
    for (std::size_t i = 0; i < std::size(kBackgroundNames); ++i) {
        if (name == kBackgroundNames[i]) {
            return formats[i];
        }
    }
    return PictureFormat::Other;
}

std::string FormatName(PictureFormat format) {
    switch (format) {
    case PictureFormat::Png:
        return "PNG";
    case PictureFormat::Jpeg:
        return "JPEG";
    case PictureFormat::Gif:
        return "GIF";
    case PictureFormat::Bitmap:
        return "BMP";
    default:
        return "";
    }
}

std::string BackgroundNameFor(PictureFormat format) {
    switch (format) {
    case PictureFormat::Bitmap:
        return kBackgroundNames[0];
    case PictureFormat::Png:
        return kBackgroundNames[1];
    case PictureFormat::Jpeg:
        return kBackgroundNames[2];
    default:
        return "";
    }
}

std::optional<ConvertedPicture> ConvertToBitmap(std::string_view bytes) {
    constexpr int kChannels = 4; // red, green, blue, alpha, whatever the picture has
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        return std::nullopt;
    }
    ConvertedPicture picture;
    int channels = 0;
    const std::unique_ptr<stbi_uc, PixelsFree> pixels(stbi_load_from_memory(
        reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()),
        &picture.width, &picture.height, &channels, kChannels));
    if (!pixels) {
        return std::nullopt;
    }
    const auto width = static_cast<std::size_t>(picture.width);
    const auto height = static_cast<std::size_t>(picture.height);
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    const auto pixelBytes = static_cast<std::uint32_t>(stride * height);
    std::string& out = picture.bitmap;
    out.reserve(54 + pixelBytes);
    out += "BM";
    PutLittleEndian(out, 54 + pixelBytes, 4);
    PutLittleEndian(out, 0, 4);  // reserved
    PutLittleEndian(out, 54, 4); // where the pixels start
    PutLittleEndian(out, 40, 4); // the info header's size
    PutLittleEndian(out, static_cast<std::uint32_t>(picture.width), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(picture.height), 4); // positive: bottom-up
    PutLittleEndian(out, 1, 2);                                          // planes
    PutLittleEndian(out, 24, 2);                                         // bits per pixel
    PutLittleEndian(out, 0, 4);                                          // no compression
    PutLittleEndian(out, pixelBytes, 4);
    out.append(16, '\0'); // no resolution, no colour table
    for (std::size_t row = height; row-- > 0;) {
        const stbi_uc* pixel = pixels.get() + row * width * kChannels;
        for (std::size_t x = 0; x < width; ++x, pixel += kChannels) {
            const unsigned char alpha = pixel[3];
            picture.translucent = picture.translucent || alpha != 255;
            out.push_back(static_cast<char>(OnGrey(pixel[2], alpha)));
            out.push_back(static_cast<char>(OnGrey(pixel[1], alpha)));
            out.push_back(static_cast<char>(OnGrey(pixel[0], alpha)));
        }
        out.append(stride - width * 3, '\0');
    }
    return picture;
}

std::vector<BackgroundFile> FindBackgrounds(const PackageFolder& folder) {
    std::vector<BackgroundFile> found;
    for (const char* name : kBackgroundNames) {
        const Item item = folder.Locate(Area::Package, {name});
        if (item.kind != ItemKind::Missing) {
            found.push_back({name, item});
        }
    }
    return found;
}

} // namespace brisel::tools
