#include "WineTestSupport.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace brisel::wine_test {

std::string ReadSourceFile(const std::string& relativePath) {
    std::string path = std::string("Z:") + BRISEL_SOURCE_DIR + "/" + relativePath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring Wide(const std::string& utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

} // namespace brisel::wine_test
