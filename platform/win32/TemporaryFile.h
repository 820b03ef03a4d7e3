// The temporary file that takes a payload's bytes before it replaces the
// game's file: made in the destination's folder under an unpredictable
// name ("~bp", 16 hex digits from the system's random generator, ".tmp"),
// with a security descriptor that lets only Administrators and SYSTEM open
// it, opened without sharing, and marked to be removed when its handle is
// closed, so that it disappears with the process whatever ends it.
#pragma once

#include "core/WideString.h"
#include "platform/win32/Handles.h"

#include <windows.h>

namespace brisel::win32 {

class TemporaryFile {
public:
    // Made in the open folder; Created() is false when the folder takes no
    // new file.
    explicit TemporaryFile(HANDLE folder);
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool Created() const { return handle_.Valid(); }
    HANDLE Get() const { return handle_.Get(); }

    // Gives the complete file the name in its folder, replacing the file
    // (or link) of that name: it takes the access its folder passes on
    // and the given attributes, and is no longer removed at close. False
    // when the system refuses, and the file is still removed at close.
    bool RenameOver(const WideString& name, DWORD attributes);

private:
    HANDLE folder_;
    FileHandle handle_;
};

// Removes what an earlier run that was killed left in the open folder:
// files with the temporary files' names that are no link, have no other
// name and are held by no one.
void RemoveLeftTemporaryFiles(HANDLE folder);

} // namespace brisel::win32
