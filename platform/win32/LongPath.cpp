#include "platform/win32/LongPath.h"

#include "platform/win32/WideText.h"

#include <windows.h>

namespace brisel::win32 {

namespace {

constexpr char16_t kLongPrefix[] = u"\\\\?\\";
constexpr char16_t kLongUncPrefix[] = u"\\\\?\\UNC\\";

bool StartsWith(const WideString& text, const char16_t* prefix) {
    return text.compare(0, std::char_traits<char16_t>::length(prefix), prefix) == 0;
}

} // namespace

WideString LongPathForm(const WideString& path) {
    // A directory's own name must leave room for an 8.3 file name below it.
    constexpr std::size_t kClassicLimit = MAX_PATH - 12;
    if (path.size() < kClassicLimit || StartsWith(path, kLongPrefix)) {
        return path;
    }
    WideString full(path.size() + MAX_PATH, u'\0');
    DWORD n = GetFullPathNameW(Wide(path), static_cast<DWORD>(full.size()), Wide(full), nullptr);
    if (n >= full.size()) {
        full.assign(n + 1, u'\0');
        n = GetFullPathNameW(Wide(path), static_cast<DWORD>(full.size()), Wide(full), nullptr);
    }
    if (n == 0 || n >= full.size()) {
        return path;
    }
    full.resize(n);
    if (StartsWith(full, u"\\\\")) {
        // \\server\share\... (a \\.\ device path stays as it is)
        return full[2] == u'.' || full[2] == u'?' ? full : kLongUncPrefix + full.substr(2);
    }
    return kLongPrefix + full;
}

} // namespace brisel::win32
