#include "HostPath.h"

#include "core/Mbcs.h"

namespace brisel::substitute {

std::string HostPath(const std::string& path) {
    std::string host = path;
    for (std::size_t i = 0; i < host.size(); ++i) {
        if (IsSingleByteChar(path, i, '\\')) {
            host[i] = '/';
        }
    }
    return host;
}

} // namespace brisel::substitute
