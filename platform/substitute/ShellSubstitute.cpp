// Host substitute for the shell. Shortcut files are host files holding a
// header line and the target path. The UTF-16 conversion gives every
// character one unit: single bytes by value, double-byte characters as lead
// byte * 256 + trail byte; it is not Unicode, but it is reversible and
// counts units as the real conversion does.
#include "platform/Shell.h"

#include "ShellStore.h"
#include "platform/substitute/HostPath.h"
#include "support/Mbcs.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

namespace brisel::platform {

struct ShellAllocatorObject {};

struct ItemIdListObject {
    int csidl;
};

struct ShellLinkObject {
    std::optional<std::string> target; // set by a successful load
};

struct PersistFileObject {
    ShellLinkObject* link;
};

} // namespace brisel::platform

namespace brisel::substitute {

namespace {

const char kShortcutHeader[] = "[substitute shortcut]\n";

void Before(const char* call) {
    if (Shell().beforeCall) {
        Shell().beforeCall(call);
    }
}

template <typename Object> Object* HandOut(Object* object, const char* kind) {
    auto& store = Shell();
    store.live.insert(object);
    ++store.obtained[kind];
    return object;
}

// Records the release; false when object was not live.
bool TakeBack(const void* object, const char* kind) {
    auto& store = Shell();
    if (object == nullptr || store.live.erase(object) == 0) {
        ++store.invalidReleases;
        return false;
    }
    ++store.released[kind];
    return true;
}

std::string AnsiFromUnits(const char16_t* units) {
    std::string text;
    for (; *units != 0; ++units) {
        if (*units > 0xFF) {
            text += static_cast<char>(*units >> 8);
        }
        text += static_cast<char>(*units & 0xFF);
    }
    return text;
}

std::optional<std::string> ReadShortcutTarget(const std::string& path) {
    std::ifstream in(HostPath(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string header = kShortcutHeader;
    if (bytes.compare(0, header.size(), header) != 0) {
        return std::nullopt;
    }
    return bytes.substr(header.size());
}

} // namespace

ShellStore& Shell() {
    static ShellStore store;
    return store;
}

void ResetShell() {
    Shell() = ShellStore();
}

std::string ShortcutFileBytes(const std::string& target) {
    return kShortcutHeader + target;
}

} // namespace brisel::substitute

namespace brisel::platform {

using substitute::Before;
using substitute::HandOut;
using substitute::Shell;
using substitute::TakeBack;

bool GetShellAllocator(ShellAllocatorObject*& allocator) {
    Before("GetShellAllocator");
    if (Shell().allocatorUnavailable) {
        return false;
    }
    allocator = HandOut(new ShellAllocatorObject, "allocator");
    return true;
}

void ReleaseShellAllocator(ShellAllocatorObject* allocator) {
    if (TakeBack(allocator, "allocator")) {
        delete allocator;
    }
}

bool GetSpecialFolderLocation(int csidl, ItemIdListObject*& list) {
    Before("GetSpecialFolderLocation");
    Shell().locationRequests.push_back(csidl);
    if (Shell().folders.count(csidl) == 0) {
        return false;
    }
    list = HandOut(new ItemIdListObject{csidl}, "list");
    return true;
}

bool GetPathFromItemIdList(const ItemIdListObject* list, char (&path)[kMaxPath]) {
    Before("GetPathFromItemIdList");
    const auto found = Shell().folders.find(list->csidl);
    if (found == Shell().folders.end() || !found->second.inFileSystem ||
        found->second.path.size() >= kMaxPath) {
        return false;
    }
    std::memcpy(path, found->second.path.c_str(), found->second.path.size() + 1);
    return true;
}

void FreeItemIdList(ShellAllocatorObject* allocator, ItemIdListObject* list) {
    // A list must go back to a live allocator.
    if (Shell().live.count(allocator) == 0) {
        ++Shell().invalidReleases;
    }
    if (TakeBack(list, "list")) {
        delete list;
    }
}

ComResult InitializeCom() {
    ++Shell().comInitializations;
    return Shell().initializeResult;
}

void UninitializeCom() {
    ++Shell().comUninitializations;
}

bool CreateShellLink(ShellLinkObject*& link) {
    Before("CreateShellLink");
    if (Shell().linkUnavailable) {
        return false;
    }
    link = HandOut(new ShellLinkObject, "link");
    return true;
}

void ReleaseShellLink(ShellLinkObject* link) {
    if (TakeBack(link, "link")) {
        delete link;
    }
}

bool QueryPersistFile(ShellLinkObject* link, PersistFileObject*& file) {
    Before("QueryPersistFile");
    if (Shell().persistUnavailable) {
        return false;
    }
    file = HandOut(new PersistFileObject{link}, "persist");
    return true;
}

void ReleasePersistFile(PersistFileObject* file) {
    if (TakeBack(file, "persist")) {
        delete file;
    }
}

ComResult LoadPersistFile(PersistFileObject* file, const char16_t* path, unsigned mode) {
    Before("LoadPersistFile");
    auto& store = Shell();
    const std::string ansiPath = substitute::AnsiFromUnits(path);
    store.loadedPaths.push_back(ansiPath);
    store.loadModes.push_back(mode);
    const auto target = substitute::ReadShortcutTarget(ansiPath);
    if (target) {
        file->link->target = *target;
    }
    if (store.loadResult) {
        return *store.loadResult;
    }
    return target ? kSOk : kEFail;
}

void GetShellLinkPath(ShellLinkObject* link, char (&target)[kMaxPath]) {
    Before("GetShellLinkPath");
    if (Shell().getPathWritesNothing || !link->target) {
        return;
    }
    // Like the shell, a target too long for the buffer is cut and terminated.
    const std::size_t length = std::min(link->target->size(), kMaxPath - 1);
    std::memcpy(target, link->target->data(), length);
    target[length] = '\0';
}

int AnsiToUtf16(const char* text, char16_t* buffer, int units) {
    Before("AnsiToUtf16");
    if (text == nullptr) {
        return 0;
    }
    const std::string_view bytes(text);
    std::u16string converted;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (ByteKindAt(bytes, i) == ByteKind::Lead && i + 1 < bytes.size()) {
            converted +=
                static_cast<char16_t>(byte << 8 | static_cast<unsigned char>(bytes[i + 1]));
            ++i;
        } else {
            converted += static_cast<char16_t>(byte);
        }
    }
    converted += u'\0';
    if (converted.size() > static_cast<std::size_t>(units)) {
        return 0;
    }
    std::copy(converted.begin(), converted.end(), buffer);
    return static_cast<int>(converted.size());
}

} // namespace brisel::platform
