// Text as the system holds it: UTF-16 code units, whatever the ANSI code
// page. Paths from the system (special folders, shortcut targets, registry
// folder values, the folder browser's choice) are kept in this form, so a
// folder named in any language reaches the file calls unchanged.
#pragma once

#include <string>

namespace brisel {

using WideString = std::u16string;

// Prefix of path up to and including its last "\" or ":"; empty when there
// is none.
WideString DirectoryOfPath(const WideString& path);

// Path with a "\" at its end (an empty path gives "\").
WideString WithTrailingBackslash(const WideString& path);

} // namespace brisel
