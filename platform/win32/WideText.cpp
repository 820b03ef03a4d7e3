#include "platform/win32/WideText.h"

#include "platform/Text.h"

#include <windows.h>

#include <climits>

namespace brisel::win32 {

WideString ToUtf16(unsigned codePage, std::string_view text) {
    WideString wide;
    if (text.empty() || text.size() > INT_MAX) {
        return wide;
    }
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (n <= 0) {
        return wide;
    }
    wide.resize(static_cast<std::size_t>(n));
    MultiByteToWideChar(codePage, 0, text.data(), size, Wide(wide), n);
    return wide;
}

WideString FromShiftJis(std::string_view text) {
    return ToUtf16(kShiftJisCodePage, text);
}

} // namespace brisel::win32

namespace brisel::platform {

WideString FromShiftJis(std::string_view text) {
    return win32::FromShiftJis(text);
}

std::string ToShiftJis(const WideString& text) {
    std::string bytes;
    if (text.empty() || text.size() > INT_MAX / 2) {
        return bytes;
    }
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(win32::kShiftJisCodePage, 0, win32::Wide(text), size, nullptr,
                                      0, "?", nullptr);
    if (n <= 0) {
        return bytes;
    }
    bytes.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(win32::kShiftJisCodePage, 0, win32::Wide(text), size, bytes.data(), n, "?",
                        nullptr);
    return bytes;
}

} // namespace brisel::platform
