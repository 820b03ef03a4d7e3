#include "platform/win32/WideText.h"

#include <windows.h>

#include <climits>

namespace brisel::win32 {

WideText ToUtf16(unsigned codePage, std::string_view text) {
    WideText wide;
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

WideText FromAnsi(std::string_view text) {
    return ToUtf16(CP_ACP, text);
}

} // namespace brisel::win32
