// Host substitute for the existence test: Windows-style paths are mapped
// onto the host in UTF-8 by reading each "\" as "/".
#include "platform/Files.h"

#include "platform/substitute/HostPath.h"

#include <glob.h>
#include <sys/stat.h>

namespace brisel::platform {

using substitute::HostPath;

bool FileIsPresent(const WideString& pattern) {
    glob_t found{};
    const int result =
        glob(HostPath(pattern).c_str(), GLOB_NOSORT | GLOB_NOESCAPE, nullptr, &found);
    bool present = false;
    if (result == 0 && found.gl_pathc > 0) {
        struct stat info {};
        present = stat(found.gl_pathv[0], &info) == 0 && !S_ISDIR(info.st_mode);
    }
    globfree(&found);
    return present;
}

} // namespace brisel::platform
