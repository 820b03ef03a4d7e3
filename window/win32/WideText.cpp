#include "WideText.h"

#include <windows.h>

#include <climits>

namespace brisel::win32 {

namespace {

std::wstring Convert(unsigned codePage, const String& text) {
    if (text.empty() || text.size() > INT_MAX) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (n <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), n);
    return wide;
}

} // namespace

std::wstring FromShiftJis(const String& text) {
    return Convert(kShiftJisCodePage, text);
}

std::wstring FromAnsi(const String& text) {
    return Convert(CP_ACP, text);
}

} // namespace brisel::win32
