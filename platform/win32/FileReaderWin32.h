// Reading an open file at any offset (platform/FileReader.h).
#pragma once

#include "platform/FileReader.h"
#include "platform/win32/Handles.h"

#include <memory>

namespace brisel::win32 {

// The open file as a reader; null when its size cannot be had.
std::unique_ptr<platform::FileReader> ReaderOf(FileHandle file);

} // namespace brisel::win32
