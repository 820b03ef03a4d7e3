// Byte strings to the UTF-16 of the wide Win32 calls: the one conversion.
// The installer avoids std::wstring: the runtime's prebuilt wide-string code
// alone would add some 35 KB to the executable.
#pragma once

#include <string_view>
#include <vector>

namespace brisel::win32 {

// A zero-terminated UTF-16 text.
class WideText {
public:
    WideText() : units_(1, L'\0') {}

    const wchar_t* c_str() const { return units_.data(); }
    wchar_t* data() { return units_.data(); }
    // Units before the terminator.
    std::size_t size() const { return units_.size() - 1; }
    bool empty() const { return size() == 0; }

private:
    friend WideText ToUtf16(unsigned codePage, std::string_view text);
    std::vector<wchar_t> units_; // always ends with one zero
};

// text converted from the given code page; empty when it cannot be.
WideText ToUtf16(unsigned codePage, std::string_view text);

// The program's own texts and the script's values are Shift-JIS whatever
// the system's code page is.
constexpr unsigned kShiftJisCodePage = 932;
inline WideText FromShiftJis(std::string_view text) {
    return ToUtf16(kShiftJisCodePage, text);
}

// Paths come from the system in its ANSI code page.
WideText FromAnsi(std::string_view text);

} // namespace brisel::win32
