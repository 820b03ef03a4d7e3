// The shell's folder browser, used by the main window's view.
#pragma once

#include <string>

namespace brisel::platform {

// Shows the platform's modal folder browser, restricted to file-system
// directories, with the prompt (zero-terminated UTF-16) and initialFolder (an ANSI path)
// preselected when it exists. Returns the chosen folder's ANSI path, or an
// empty text when the user cancelled or the item has no file-system path.
std::string BrowseForFolder(void* ownerWindow, const std::string& root, const wchar_t* prompt,
                            const std::string& initialFolder);

} // namespace brisel::platform
