// Host substitute for the script's conversion: the C library's code page
// 932 converter, which maps 0x5C to "\" and 0x8160 to U+FF5E as Windows
// does. A byte that starts no valid character becomes U+30FB, as the
// system's conversion makes it.
#include "platform/Text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace brisel::platform {

namespace {

class Converter {
public:
    Converter() : handle_(iconv_open("UTF-16LE", "CP932")) {
        if (handle_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("the C library has no CP932 converter");
        }
    }
    ~Converter() { iconv_close(handle_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    WideString Convert(std::string_view text) {
        WideString out;
        std::string input(text);
        char* in = input.data();
        std::size_t inLeft = input.size();
        while (inLeft > 0) {
            char16_t units[256];
            char* outPtr = reinterpret_cast<char*>(units);
            std::size_t outLeft = sizeof units;
            const std::size_t result = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
            out.append(units, (sizeof units - outLeft) / sizeof(char16_t));
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
                out += u'\u30FB';
                ++in;
                --inLeft;
                iconv(handle_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

private:
    iconv_t handle_;
};

} // namespace

WideString FromShiftJis(std::string_view text) {
    static Converter converter;
    return converter.Convert(text);
}

std::string ToShiftJis(const WideString& text) {
    static const iconv_t handle = iconv_open("CP932", "UTF-16LE");
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A character at a time: one that CP932 has not becomes "?".
        const std::size_t units = (text[i] & 0xFC00) == 0xD800 && i + 1 < text.size() ? 2 : 1;
        WideString one = text.substr(i, units);
        i += units - 1;
        char* in = reinterpret_cast<char*>(one.data());
        std::size_t inLeft = one.size() * sizeof(char16_t);
        char bytes[8];
        char* outPtr = bytes;
        std::size_t outLeft = sizeof bytes;
        const bool ok =
            handle != reinterpret_cast<iconv_t>(-1) &&
            iconv(handle, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
        out += ok ? std::string(bytes, sizeof bytes - outLeft) : std::string("?");
    }
    return out;
}

} // namespace brisel::platform
