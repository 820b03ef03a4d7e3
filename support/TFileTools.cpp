#include "TFileTools.h"

#include "RegistryPath.h"
#include "core/TextUtils.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <cstdint>

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

// Entry without its leading "\" bytes: it is relative to the Programs folder
// whether or not it starts with a separator.
String RelativeEntry(const String& entry) {
    const std::size_t first = entry.find_first_not_of('\\');
    return first == String::npos ? String() : entry.substr(first);
}

// One stage: finds its Programs folder into candidate, then tests for entry
// below it. True when the file is there.
bool FindInProgramsFolder(TFileTools& tools, const ProgramsStage& stage, const String& entry,
                          WideString& candidate) {
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
    candidate = WithTrailingBackslash(candidate) + platform::FromShiftJis(relative);
    return platform::FileIsPresent(candidate);
}

} // namespace

bool TFileTools::ExpandEnvStrings(WideString& text) {
    return platform::ExpandEnvironment(text, text);
}

bool TFileTools::GetSpecialFolderPath(int csidl, WideString& path) {
    return platform::GetSpecialFolderPath(csidl, path);
}

bool TFileTools::FindProgramsShortcut(const String& entry, WideString& path) {
    WideString candidate;
    for (const auto& stage : kProgramsStages) {
        if (FindInProgramsFolder(*this, stage, entry, candidate)) {
            path = candidate;
            return true;
        }
    }
    return false;
}

bool TFileTools::ResolveShortcut(const WideString& linkPath, WideString& target) {
    return platform::ReadShortcutTarget(linkPath, target);
}

} // namespace brisel
