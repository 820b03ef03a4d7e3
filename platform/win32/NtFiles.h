// The native file calls that work relative to an open folder, which the
// Win32 calls cannot: opening a name inside a folder handle, renaming a file
// to a name inside one, and listing a folder by pattern. They are found in
// ntdll, which every process has loaded, at first use.
#pragma once

#include "core/WideString.h"
#include "platform/win32/Handles.h"

#include <windows.h>
#include <winternl.h>

#include <vector>

namespace brisel::win32 {

struct RelativeOpen {
    ACCESS_MASK access = 0;
    ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    ULONG disposition = FILE_OPEN;
    ULONG options = 0; // FILE_DIRECTORY_FILE, FILE_OPEN_REPARSE_POINT ...
    PSECURITY_DESCRIPTOR security = nullptr;
};

// Opens one name inside the folder (never a path: the caller walks names
// one at a time). The handle is invalid on failure; status says why.
FileHandle OpenRelative(HANDLE folder, const WideString& name, const RelativeOpen& how,
                        NTSTATUS& status);

// Renames the open file to name inside folder, over a file of that name
// when replace is set.
NTSTATUS RenameRelative(HANDLE file, HANDLE folder, const WideString& name, bool replace);

// The names in the open folder that match pattern ("*" and "?").
std::vector<WideString> ListFolder(HANDLE folder, const WideString& pattern);

// Whether the file goes when its last handle is closed; false when the
// system refuses.
bool SetDeleteOnClose(HANDLE file, bool remove);

constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusAccessDenied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS kStatusSharingViolation = static_cast<NTSTATUS>(0xC0000043);
constexpr NTSTATUS kStatusObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kStatusObjectPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS kStatusObjectNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kStatusFileIsADirectory = static_cast<NTSTATUS>(0xC00000BA);
constexpr NTSTATUS kStatusNotADirectory = static_cast<NTSTATUS>(0xC0000103);
constexpr NTSTATUS kStatusProcedureNotFound = static_cast<NTSTATUS>(0xC000007A);

} // namespace brisel::win32
