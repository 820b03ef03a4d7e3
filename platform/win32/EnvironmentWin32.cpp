#include "platform/Environment.h"

#include "platform/win32/WideText.h"

#include <windows.h>

namespace brisel::platform {

namespace {

// A path-sized first attempt; the system never expands beyond 32767 units.
constexpr DWORD kFirstExpansionSize = MAX_PATH;
constexpr DWORD kLargestExpansion = 32768;

} // namespace

bool ExpandEnvironment(const WideString& source, WideString& expanded) {
    WideString buffer;
    DWORD size = kFirstExpansionSize;
    for (;;) {
        // One unit beyond the size given, so the buffer's text always ends.
        buffer.assign(std::size_t{size} + 1, u'\0');
        const DWORD needed =
            ExpandEnvironmentStringsW(win32::Wide(source), win32::Wide(buffer), size);
        if (needed == 0) {
            return false;
        }
        if (needed <= size) {
            break;
        }
        if (needed > kLargestExpansion) {
            return false;
        }
        size = needed;
    }
    expanded = win32::FromWide(win32::Wide(buffer));
    return true;
}

} // namespace brisel::platform
