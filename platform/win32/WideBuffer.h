// A zero-terminated UTF-16 text for the wide Win32 calls. The installer
// avoids std::wstring: the runtime's prebuilt wide-string code alone would
// add some 35 KB to the executable.
#pragma once

#include <string>
#include <vector>

namespace brisel::platform {

class WideBuffer {
public:
    WideBuffer() : units_(1, L'\0') {}

    // text converted from the given code page; empty when it cannot be.
    static WideBuffer FromCodePage(unsigned codePage, const std::string& text);

    const wchar_t* c_str() const { return units_.data(); }
    std::size_t size() const { return units_.size() - 1; }
    bool empty() const { return size() == 0; }

private:
    std::vector<wchar_t> units_; // always ends with one zero
};

} // namespace brisel::platform
