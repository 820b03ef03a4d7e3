// The shell's folder browser, used by the main window's view.
#pragma once

#include "core/WideString.h"

namespace brisel::platform {

// Shows the platform's modal folder browser, restricted to file-system
// directories, with the prompt and initialFolder preselected when it
// exists (an empty initialFolder selects the desktop). Returns the chosen
// folder's path, or an empty text when the user cancelled or the item has
// no file-system path.
WideString BrowseForFolder(void* ownerWindow, const WideString& root, const WideString& prompt,
                           const WideString& initialFolder);

} // namespace brisel::platform
