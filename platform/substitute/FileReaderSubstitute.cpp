// Host substitute for reading a file at offsets: POSIX, the path mapped as
// the other file services map it.
#include "platform/FileReader.h"

#include "platform/substitute/HostPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisel::platform {

namespace {

class PosixFileReader : public FileReader {
public:
    PosixFileReader(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~PosixFileReader() override { ::close(fd_); }
    PosixFileReader(const PosixFileReader&) = delete;
    PosixFileReader& operator=(const PosixFileReader&) = delete;

    std::uint64_t Size() const override { return size_; }

    bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
        if (offset > size_ || size > size_ - offset) {
            return false;
        }
        while (size > 0) {
            const ssize_t n = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
            if (n <= 0) {
                return false;
            }
            buffer += n;
            offset += static_cast<std::uint64_t>(n);
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
    std::uint64_t size_;
};

} // namespace

std::unique_ptr<FileReader> ReaderOfDescriptor(int fd);

std::unique_ptr<FileReader> OpenFileForReading(const WideString& path) {
    return ReaderOfDescriptor(::open(substitute::HostPath(path).c_str(), O_RDONLY));
}

// The open file as a reader (taking the descriptor); null when it is no
// regular file.
std::unique_ptr<FileReader> ReaderOfDescriptor(int fd) {
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return nullptr;
    }
    return std::make_unique<PosixFileReader>(fd, static_cast<std::uint64_t>(info.st_size));
}

} // namespace brisel::platform
