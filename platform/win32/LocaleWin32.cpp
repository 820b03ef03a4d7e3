#include "platform/Locale.h"

#include <windows.h>

#include <climits>

namespace brisel::platform {

std::vector<std::pair<unsigned char, unsigned char>> SystemLeadByteRanges() {
    std::vector<std::pair<unsigned char, unsigned char>> ranges;
    if (GetSystemMetrics(SM_DBCSENABLED) == 0) {
        return ranges;
    }
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info)) {
        return ranges;
    }
    for (int i = 0; i + 1 < MAX_LEADBYTES; i += 2) {
        const BYTE low = info.LeadByte[i];
        const BYTE high = info.LeadByte[i + 1];
        if (low == 0 && high == 0) {
            break;
        }
        ranges.emplace_back(low, high);
    }
    return ranges;
}

bool LocaleSameText(std::string_view a, std::string_view b) {
    if (a.size() > INT_MAX || b.size() > INT_MAX) {
        return false;
    }
    if (a.empty() || b.empty()) {
        // CompareStringA rejects zero-length input on some systems; two
        // empty texts are equal, an empty and a non-empty one are not.
        return a.empty() && b.empty();
    }
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                          static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace brisel::platform
