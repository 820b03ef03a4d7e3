// File-system services: the existence test and writing a payload file.
// Paths are UTF-16 as the system names them; a path longer than the
// classic limit of 260 units is used in its long form where the system
// allows it.
#pragma once

#include "core/WideString.h"

#include <string_view>

namespace brisel::platform {

// True when a search for pattern ("*" and "?" act as wildcards in its last
// component) finds a first match that is not a directory.
bool FileIsPresent(const WideString& pattern);

// Writes bytes as the whole new content of the file at path without ever
// leaving it truncated or half written: an existing file must open for
// reading and writing without sharing; the bytes go to a new temporary file
// beside it, which then replaces it in one step. When no temporary file can
// be created there, the file is created or truncated and written in place
// instead. Missing directories are not created. Any failure raises
// EFileWriteError and removes the temporary file.
void WriteWholeFile(const WideString& path, std::string_view bytes);

} // namespace brisel::platform
