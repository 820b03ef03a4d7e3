// Host substitute for the shell: folders and shortcuts from the ShellStore.
#include "platform/Shell.h"

#include "ShellStore.h"
#include "platform/substitute/HostPath.h"
#include "platform/substitute/Utf.h"

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

bool GetSpecialFolderPath(int csidl, WideString& path) {
    auto& store = substitute::Shell();
    if (store.onFolderRequest) {
        store.onFolderRequest(csidl);
    }
    store.folderRequests.push_back(csidl);
    const auto found = store.folders.find(csidl);
    if (found == store.folders.end()) {
        return false;
    }
    path = substitute::FromUtf8(found->second);
    return true;
}

bool ReadShortcutTarget(const WideString& linkPath, WideString& target) {
    const auto& shortcuts = substitute::Shell().shortcuts;
    const auto found = shortcuts.find(substitute::HostPath(linkPath));
    if (found == shortcuts.end()) {
        return false;
    }
    target = substitute::FromUtf8(found->second);
    return true;
}

} // namespace brisel::platform
