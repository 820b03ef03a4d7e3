// Host substitute for the shell: folders and shortcuts from the ShellStore.
#include "platform/Shell.h"

#include "ShellStore.h"
#include "platform/substitute/HostPath.h"

namespace brisel::substitute {

ShellStore& Shell() {
    static ShellStore store;
    return store;
}

void ResetShell() {
    Shell() = ShellStore();
}

} // namespace brisel::substitute

namespace brisel::platform {

bool GetSpecialFolderPath(int csidl, std::string& path) {
    auto& store = substitute::Shell();
    if (store.onFolderRequest) {
        store.onFolderRequest(csidl);
    }
    store.folderRequests.push_back(csidl);
    const auto found = store.folders.find(csidl);
    if (found == store.folders.end()) {
        return false;
    }
    path = found->second;
    return true;
}

bool ReadShortcutTarget(const std::string& linkPath, std::string& target) {
    const auto& shortcuts = substitute::Shell().shortcuts;
    const auto found = shortcuts.find(substitute::HostPath(linkPath));
    if (found == shortcuts.end()) {
        return false;
    }
    target = found->second;
    return true;
}

} // namespace brisel::platform
