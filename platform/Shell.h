// The shell as the logic needs it: the file-system path of a special folder
// and the target of a shortcut file. The COM objects behind both, and their
// owners, stay inside the implementation.
#pragma once

#include "core/WideString.h"

namespace brisel::platform {

// Shell special-folder numbers.
constexpr int kCsidlPrograms = 0x02;       // the current user's Programs folder
constexpr int kCsidlCommonPrograms = 0x17; // the all-users Programs folder

// The file-system path of the special folder csidl. False, path unchanged,
// when the system does not know the folder or it is not in the file system.
bool GetSpecialFolderPath(int csidl, WideString& path);

// Loads the shortcut file at linkPath and stores the path it points to in
// target, empty when the shell cannot read it. False, target unchanged,
// when the file cannot be loaded as a shortcut.
bool ReadShortcutTarget(const WideString& linkPath, WideString& target);

} // namespace brisel::platform
