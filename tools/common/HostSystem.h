// The host services that writing an installer needs besides HostFiles:
// opening a payload for reading, creating and renaming the output file, and
// the tool's own location. Wide-character paths on Windows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace brisel::tools {

// Opens a file for binary reading; nullptr when it cannot be opened.
std::FILE* OpenForReading(const std::filesystem::path& path);

// Moves a file opened for reading to an offset from its start, also beyond
// 2 GiB where long is 32 bits; false when it cannot.
bool SeekFile(std::FILE* file, std::uint64_t offset);

// Creates a new file for binary writing; nullptr when it exists already or
// cannot be created.
std::FILE* CreateNewFile(const std::filesystem::path& path);

// Moves from onto to, replacing a file that is there, in one step.
bool RenameOnto(const std::filesystem::path& from, const std::filesystem::path& to);

// The running program's own file.
std::filesystem::path ExecutablePath();

#ifdef _WIN32
// A NUL-terminated UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string WideToUtf8(const wchar_t* text);
#endif

} // namespace brisel::tools
