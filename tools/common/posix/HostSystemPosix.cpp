#include "common/HostSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <limits>

namespace brisel::tools {

std::FILE* OpenForReading(const std::filesystem::path& path) {
    return std::fopen(path.c_str(), "rb");
}

bool SeekFile(std::FILE* file, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
           ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::FILE* CreateNewFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
    }
    return file;
}

bool RenameOnto(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::filesystem::path ExecutablePath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
}

} // namespace brisel::tools
