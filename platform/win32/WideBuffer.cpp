#include "WideBuffer.h"

#include <windows.h>

#include <climits>

namespace brisel::platform {

WideBuffer WideBuffer::FromCodePage(unsigned codePage, const std::string& text) {
    WideBuffer wide;
    if (text.empty() || text.size() > INT_MAX) {
        return wide;
    }
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (n <= 0) {
        return wide;
    }
    wide.units_.assign(static_cast<std::size_t>(n) + 1, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.units_.data(), n);
    return wide;
}

} // namespace brisel::platform
