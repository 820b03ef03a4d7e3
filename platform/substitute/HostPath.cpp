#include "HostPath.h"

#include "platform/substitute/Utf.h"

namespace brisel::substitute {

std::string HostPath(const WideString& path) {
    std::string host = Utf8(path);
    for (char& c : host) {
        if (c == '\\') {
            c = '/';
        }
    }
    return host;
}

} // namespace brisel::substitute
