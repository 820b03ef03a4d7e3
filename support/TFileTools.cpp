#include "TFileTools.h"

#include "RegistryPath.h"
#include "core/TextUtils.h"
#include "platform/Environment.h"
#include "platform/Files.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace brisel {

namespace {

struct ProgramsStage {
    int csidl;
    const char* registryPath;
};

// The Programs folders in the order in which they are searched, each with
// the registry value that names it when the shell cannot.
constexpr ProgramsStage kProgramsStages[] = {
    {platform::kCsidlPrograms, "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                               "Explorer\\Shell Folders\\Programs"},
    {platform::kCsidlCommonPrograms,
     "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
     "Explorer\\User Shell Folders\\Programs"},
};

// A path-sized first attempt.
constexpr std::uint32_t kFirstExpansionSize = 260;
// Far beyond the longest expansion the system makes (32767 UTF-16 units).
constexpr std::uint64_t kLargestExpansion = 1u << 20;

// Entry without its leading "\" bytes: it is relative to the Programs folder
// whether or not it starts with a separator.
String RelativeEntry(const String& entry) {
    const std::size_t first = entry.find_first_not_of('\\');
    return first == String::npos ? String() : entry.substr(first);
}

// One stage: finds its Programs folder into candidate, then tests for entry
// below it. True when the file is there.
bool FindInProgramsFolder(TFileTools& tools, const ProgramsStage& stage, const String& entry,
                          String& candidate) {
    bool found = tools.GetSpecialFolderPath(stage.csidl, candidate);
    if (!found) {
        found = ReadRegistryPath(stage.registryPath, candidate);
        if (found) {
            // An unexpandable value is used as it stands.
            tools.ExpandEnvStrings(candidate);
        }
    }
    if (!found) {
        return false;
    }
    // Raises ERangeError for an empty entry.
    const String relative = ByteAt(entry, 1) == '\\' ? RelativeEntry(entry) : entry;
    candidate = WithTrailingBackslash(candidate) + relative;
    return platform::FileIsPresent(candidate);
}

} // namespace

bool TFileTools::ExpandEnvStrings(String& text) {
    // The first attempt uses a path-sized buffer; when the platform asks for
    // more, the next attempt gets what it asked for plus one byte. The ANSI
    // expansion of some systems counts a double-byte character as one and
    // then writes a truncated, unterminated text although its count fits: a
    // text without its terminator inside the buffer did not fit either, and
    // the next attempt gets twice the size.
    std::uint32_t size = kFirstExpansionSize;
    std::vector<char> buffer;
    for (;;) {
        // One zero byte beyond the size given, so the buffer's text always ends.
        buffer.assign(std::size_t{size} + 1, '\0');
        const std::uint32_t needed = platform::ExpandEnvironment(text.c_str(), buffer.data(), size);
        if (needed == 0) {
            return false;
        }
        if (needed <= size && std::memchr(buffer.data(), '\0', size) != nullptr) {
            break;
        }
        const std::uint64_t next =
            needed > size ? std::uint64_t{needed} + 1 : 2 * std::uint64_t{size};
        if (next > kLargestExpansion) {
            return false;
        }
        size = static_cast<std::uint32_t>(next);
    }
    text = buffer.data();
    return true;
}

bool TFileTools::GetSpecialFolderPath(int csidl, String& path) {
    return platform::GetSpecialFolderPath(csidl, path);
}

bool TFileTools::FindProgramsShortcut(const String& entry, String& path) {
    String candidate;
    for (const auto& stage : kProgramsStages) {
        if (FindInProgramsFolder(*this, stage, entry, candidate)) {
            path = candidate;
            return true;
        }
    }
    return false;
}

bool TFileTools::ResolveShortcut(const String& linkPath, String& target) {
    return platform::ReadShortcutTarget(linkPath, target);
}

} // namespace brisel
