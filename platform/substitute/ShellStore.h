// The shell behind the host substitute of platform/Shell.h: the special
// folders it knows and the shortcut files it can read.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace brisel::substitute {

struct ShellStore {
    // Special folders by number (UTF-8); any other number is unknown.
    std::map<int, std::string> folders;
    // Shortcut targets (UTF-8) by the shortcut file's host path.
    std::map<std::string, std::string> shortcuts;

    // The folder numbers asked for, in order; onFolderRequest runs first.
    std::vector<int> folderRequests;
    std::function<void(int csidl)> onFolderRequest;
};

ShellStore& Shell();
void ResetShell();

} // namespace brisel::substitute
