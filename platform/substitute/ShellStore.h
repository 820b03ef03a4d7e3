// The shell behind the host substitute of platform/Shell.h: special folders
// by number, shortcut files on the host file system in a format of this
// substitute, switches that make single calls fail, and a record of every
// object handed out and released.
#pragma once

#include "platform/Shell.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brisel::substitute {

struct SpecialFolder {
    std::string path;
    bool inFileSystem = true; // false: a virtual folder without a path
};

struct ShellStore {
    // The folders the shell knows; any other number is unknown.
    std::map<int, SpecialFolder> folders;

    // Switches.
    bool allocatorUnavailable = false;
    bool linkUnavailable = false;                  // the shell-link object cannot be created
    bool persistUnavailable = false;               // it has no persistence interface
    std::optional<platform::ComResult> loadResult; // replaces the result of a load
    bool getPathWritesNothing = false;
    platform::ComResult initializeResult = platform::kSOk;
    // Runs at the start of every call that hands out or uses an object, with
    // the call's name (the name of its declaration in platform/Shell.h).
    std::function<void(const std::string& call)> beforeCall;

    // Records.
    int comInitializations = 0;
    int comUninitializations = 0;
    std::map<std::string, int> obtained; // by kind: allocator, list, link, persist
    std::map<std::string, int> released;
    std::set<const void*> live;
    int invalidReleases = 0; // an object released twice, or never handed out
    std::vector<int> locationRequests;
    std::vector<std::string> loadedPaths; // converted back from UTF-16
    std::vector<unsigned> loadModes;

    // Objects handed out and not yet released.
    std::size_t Outstanding() const { return live.size(); }
};

ShellStore& Shell();
void ResetShell();

// The bytes of a shortcut file that this substitute loads, pointing at target.
std::string ShortcutFileBytes(const std::string& target);

} // namespace brisel::substitute
