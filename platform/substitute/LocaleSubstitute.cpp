// Host substitute for the locale: a Japanese system. Letter case is folded
// for single-byte ASCII letters only; every other byte, and every byte of a
// double-byte character, compares exactly.
#include "platform/Locale.h"

#include "core/Mbcs.h"

namespace brisel::platform {

namespace {

unsigned char FoldAscii(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

} // namespace

bool LocaleSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto byteA = static_cast<unsigned char>(a[i]);
        const auto byteB = static_cast<unsigned char>(b[i]);
        if (byteA == byteB) {
            continue;
        }
        const bool singleA = ByteKindAt(a, i) == ByteKind::Single;
        const bool singleB = ByteKindAt(b, i) == ByteKind::Single;
        if (!singleA || !singleB || FoldAscii(byteA) != FoldAscii(byteB)) {
            return false;
        }
    }
    return true;
}

} // namespace brisel::platform
