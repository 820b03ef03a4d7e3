// Helpers for the tests that run under Wine.
#pragma once

#include <filesystem>
#include <string>

namespace brisel::wine_test {

// The bytes of a file of the source tree, read through Wine's Z: drive.
std::string ReadSourceFile(const std::string& relativePath);

// A UTF-8 text as UTF-16, for the wide Win32 calls of the tests.
std::wstring Wide(const std::string& utf8);

// Writes a shortcut file at link pointing at target, through the shell,
// creating the link's folder.
void CreateShortcut(const std::filesystem::path& link, const std::filesystem::path& target);

} // namespace brisel::wine_test
