// Paths of any length for the file calls: a path that reaches the classic
// limit of 260 units is handed over in its long form ("\\?\C:\..." or
// "\\?\UNC\server\share\..."), which every NT system accepts in the wide
// calls. The long form is taken literally, so the path is made full and
// normal (separators, "." and "..") by the system first.
#pragma once

#include "core/WideString.h"

namespace brisel::win32 {

WideString LongPathForm(const WideString& path);

} // namespace brisel::win32
