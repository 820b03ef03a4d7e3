// The existence test: a file search for the path as a pattern, so "*" and
// "?" in its last component act as wildcards; only the first match counts,
// and a directory is not a file. The match's dates play no part.
#include "platform/Files.h"

#include "platform/win32/Handles.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/WideText.h"

#include <windows.h>

namespace brisel::platform {

bool FileIsPresent(const WideString& pattern) {
    if (pattern.empty()) {
        return false;
    }
    WIN32_FIND_DATAW match{};
    const win32::FileSearch search(
        FindFirstFileW(win32::Wide(win32::LongPathForm(pattern)), &match));
    return search.Valid() && (match.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace brisel::platform
