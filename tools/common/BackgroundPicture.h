// The package's background picture: a Windows bitmap, carried as it is, or a
// PNG or JPEG picture, which the tools convert to the 24-bit bitmap the
// installer shows. The decoder is stb_image (Debian's libstb-dev), built for
// PNG and JPEG alone and without its SIMD code, so that every host decodes a
// picture to the same pixels and writes the same bitmap.
#pragma once

#include "PackageFolder.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel::tools {

enum class PictureFormat { Empty, Bitmap, Png, Jpeg, Gif, Other };

// The names a background may have, in the order the plan looks for them.
extern const char* const kBackgroundNames[4];

// The format the bytes' signature tells.
PictureFormat SniffPicture(std::string_view bytes);

// The format a background name promises (Other for a name not in
// kBackgroundNames).
PictureFormat FormatOfName(const std::string& name);

// "PNG", "JPEG", "GIF", "BMP".
std::string FormatName(PictureFormat format);

// The background name for pictures of the format, or "" when the tools take
// no picture of it.
std::string BackgroundNameFor(PictureFormat format);

struct ConvertedPicture {
    int width = 0;
    int height = 0;
    // Some pixels were not opaque: they are laid on the window's grey.
    bool translucent = false;
    // A bitmap file: 14-byte file header, 40-byte info header, the rows
    // bottom-up, blue, green, red, each padded to 4 bytes.
    std::string bitmap;
};

// The grey a translucent picture is laid on: the button face of Windows'
// standard colours, which the installer's window shows around a picture.
constexpr unsigned char kWindowGrey = 240;

// The picture as a bitmap file, or nullopt when the bytes are no PNG or
// JPEG picture that can be decoded.
std::optional<ConvertedPicture> ConvertToBitmap(std::string_view bytes);

// A background file the package holds, under one of kBackgroundNames.
struct BackgroundFile {
    std::string name;
    Item item;
};

// Every name of kBackgroundNames that is there in some form (a file, a
// folder, a link leading out), in that order.
std::vector<BackgroundFile> FindBackgrounds(const PackageFolder& folder);

} // namespace brisel::tools
