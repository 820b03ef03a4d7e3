// Finding a shortcut below the Start menu's Programs folders and reading the
// path that it points to, with the small shell routines these need.
#pragma once

#include "core/AnsiString.h"
#include "core/WideString.h"
#include "platform/Shell.h"

namespace brisel {

// Stateless: an instance holds no data, and any instance serves any call.
class TFileTools {
public:
    // Replaces every environment-variable reference in text by its value.
    // False, text unchanged, when the platform cannot expand it.
    bool ExpandEnvStrings(WideString& text);

    // The file-system path of the shell special folder csidl. False, path
    // unchanged, when the folder is unknown or not in the file system.
    bool GetSpecialFolderPath(int csidl, WideString& path);

    // Looks for entry, a Shift-JIS path relative to a Programs folder ("*" and "?" act
    // as wildcards in its last component), below the current user's Programs
    // folder and then below the all-users one, each taken from the shell or,
    // failing that, from the registry. True, path then the full path of the
    // file found, when one exists; false, path unchanged, otherwise. An empty
    // entry raises ERangeError once a Programs folder is known; registry
    // errors pass through.
    bool FindProgramsShortcut(const String& entry, WideString& path);

    // Loads the shortcut file linkPath and stores the path it points to in
    // target (empty when the shell cannot read it). False, target unchanged,
    // when the file cannot be loaded.
    bool ResolveShortcut(const WideString& linkPath, WideString& target);
};

} // namespace brisel
