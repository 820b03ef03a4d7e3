// Helpers for the tests that run under Wine.
#pragma once

#include <string>

namespace brisel::wine_test {

// The bytes of a file of the source tree, read through Wine's Z: drive.
std::string ReadSourceFile(const std::string& relativePath);

// A UTF-8 text as UTF-16, for the wide Win32 calls of the tests.
std::wstring Wide(const std::string& utf8);

} // namespace brisel::wine_test
