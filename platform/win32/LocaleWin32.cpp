#include "platform/Locale.h"

#include "platform/win32/WideText.h"

#include <windows.h>

#include <climits>

namespace brisel::platform {

bool LocaleSameText(std::string_view a, std::string_view b) {
    if (a.empty() || b.empty()) {
        // The comparison rejects zero-length input on some systems; two
        // empty texts are equal, an empty and a non-empty one are not.
        return a.empty() && b.empty();
    }
    // Compared as the user reads them: the Shift-JIS texts as characters,
    // whatever the system's ANSI code page.
    const WideString wideA = win32::FromShiftJis(a);
    const WideString wideB = win32::FromShiftJis(b);
    if (wideA.empty() || wideB.empty() || wideA.size() > INT_MAX || wideB.size() > INT_MAX) {
        return false;
    }
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, win32::Wide(wideA),
                          static_cast<int>(wideA.size()), win32::Wide(wideB),
                          static_cast<int>(wideB.size())) == CSTR_EQUAL;
}

} // namespace brisel::platform
