#include "BackgroundPicture.h"

#include "LzmaStream.h"
#include "PackedContent.h"
#include "PayloadRecords.h"

#include <algorithm>

namespace brisel {

namespace {

const char kName[] = "RESOURCE_BACKGROUND";
constexpr std::size_t kPiece = std::size_t{1} << 20;

} // namespace

BackgroundPicture::BackgroundPicture() {
    const auto record = FindPackedRecord(kName);
    if (!record) {
        stream_ = TResourceStream::Open("BMP", kName);
        return;
    }
    const auto packed = TResourceStream::Open("LZMA", kName);
    LzmaStream stream(packed->Bytes());
    // The record names the whole of the picture's own stream.
    if (record->offset != 0 || record->size != stream.Size()) {
        RaiseReadError();
    }
    PackedContent content(stream, *record);
    // Grown piece by piece, so that memory follows what really decodes.
    while (decoded_.size() < record->size) {
        const std::size_t at = decoded_.size();
        const auto piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, record->size - at));
        decoded_.resize(at + piece);
        if (!content.Read(decoded_.data() + at, piece)) {
            RaiseReadError();
        }
    }
    if (!content.Verified()) {
        RaiseReadError();
    }
    stream_ = std::make_unique<TResourceStream>(decoded_);
}

} // namespace brisel
