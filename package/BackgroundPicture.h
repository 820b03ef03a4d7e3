// The background picture's bitmap file: the "BMP" resource as it is stored,
// or, in a compressed installer, decoded from the picture's own LZMA stream
// ("LZMA" "RESOURCE_BACKGROUND") and checked against its "PACKED" record
// (size and CRC-32) before anything is shown.
#pragma once

#include "TResourceStream.h"

#include <memory>
#include <string>

namespace brisel {

class BackgroundPicture {
public:
    // A missing picture raises EResNotFound ("RESOURCE_BACKGROUND リソースが
    // 見つかりません"); a compressed one that does not decode to the bytes
    // its record names raises EReadError, as a picture cut short does.
    BackgroundPicture();

    TResourceStream& Stream() { return *stream_; }

private:
    std::string decoded_;
    std::unique_ptr<TResourceStream> stream_;
};

} // namespace brisel
