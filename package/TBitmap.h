// The background picture: a Windows bitmap read from a bitmap file stream
// and kept as a packed device-independent bitmap (info header, colour table,
// pixels) ready to be drawn.
#pragma once

#include <cstdint>
#include <string>

namespace brisel {

class TResourceStream;

class TBitmap {
public:
    // Reads a bitmap file: the 14-byte file header first ("ストリームからの
    // 読み込みエラー" when it is short), then "BM" is required ("ビットマップ
    // イメージが不正です"), then the info header and the pixels, which must be
    // complete. An empty stream gives an empty picture.
    void LoadFromStream(TResourceStream& stream);

    bool Empty() const { return packedDib_.empty(); }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // BITMAPINFOHEADER, colour table or masks, then the pixels.
    const std::string& PackedDib() const { return packedDib_; }
    std::size_t PixelOffset() const { return pixelOffset_; }

private:
    std::string packedDib_;
    std::size_t pixelOffset_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

} // namespace brisel
