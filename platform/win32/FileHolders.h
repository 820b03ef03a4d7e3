// The programs that hold a file open, as the system's Restart Manager
// tells them (Windows Vista and later), so that a player can be told what
// to close.
#pragma once

#include "core/WideString.h"

#include <vector>

namespace brisel::win32 {

// The names of the programs holding the file at path; empty where the
// system cannot tell.
std::vector<WideString> ProgramsHolding(const WideString& path);

} // namespace brisel::win32
