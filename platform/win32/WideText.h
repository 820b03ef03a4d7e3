// UTF-16 for the wide Win32 calls. The installer avoids std::wstring: the
// runtime's prebuilt wide-string code alone would add some 35 KB to the
// executable; WideString (char16_t units, the same width as wchar_t here)
// is instantiated from the headers, with only what is used.
#pragma once

#include "core/WideString.h"

#include <string_view>

namespace brisel::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are UTF-16 units");

// The text as the wide calls take it (zero-terminated).
inline const wchar_t* Wide(const WideString& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline wchar_t* Wide(WideString& text) {
    return reinterpret_cast<wchar_t*>(text.data());
}
inline WideString FromWide(const wchar_t* text) {
    return WideString(reinterpret_cast<const char16_t*>(text));
}

// text converted from the given code page; empty when it cannot be.
WideString ToUtf16(unsigned codePage, std::string_view text);

// The program's own texts and the script's values are Shift-JIS whatever
// the system's code page is.
constexpr unsigned kShiftJisCodePage = 932;
WideString FromShiftJis(std::string_view text);

} // namespace brisel::win32
