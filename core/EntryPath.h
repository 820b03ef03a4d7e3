// An "%OutFiles" entry as the names it leads through below the game folder:
// its folders, then its file. The entry is read as the system reads a
// path: "\" and "/" separate names, and a name's trailing dots and spaces
// are dropped. An entry that would name anything outside the game folder
// (empty, absolute, a drive, a stream ":", a device such as CON or COM1, a
// name ".." or one the system cannot hold) names nothing.
#pragma once

#include "core/WideString.h"

#include <optional>
#include <vector>

namespace brisel {

using EntryPath = std::vector<WideString>;

// The names of entry, the file's last; nullopt when the entry names nothing
// inside the game folder.
std::optional<EntryPath> SplitEntry(const WideString& entry);

} // namespace brisel
