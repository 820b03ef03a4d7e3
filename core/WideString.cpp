#include "core/WideString.h"

namespace brisel {

WideString DirectoryOfPath(const WideString& path) {
    const std::size_t last = path.find_last_of(u"\\:");
    return last == WideString::npos ? WideString() : path.substr(0, last + 1);
}

WideString WithTrailingBackslash(const WideString& path) {
    if (!path.empty() && path.back() == u'\\') {
        return path;
    }
    return path + u'\\';
}

} // namespace brisel
