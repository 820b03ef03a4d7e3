// Host substitute for the file system: Windows-style paths are mapped onto
// the host in UTF-8 by reading each "\" as "/".
#include "platform/Files.h"

#include "core/Exceptions.h"
#include "platform/substitute/HostPath.h"

#include <cstdio>
#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace brisel::platform {

namespace {

using substitute::HostPath;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    bool Close() {
        const bool ok = fd_ < 0 || ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

[[noreturn]] void Fail(const WideString& path) {
    throw EFileWriteError::CannotCreate(path);
}

// Writes the whole content in pieces of 64 KiB; false on any error.
bool WriteContent(int fd, FileContent& content) {
    std::vector<char> buffer(1u << 16);
    for (std::uint64_t left = content.Size(); left > 0;) {
        const std::size_t piece =
            left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
        if (!content.Read(buffer.data(), piece)) {
            return false;
        }
        for (std::size_t written = 0; written < piece;) {
            const ssize_t n = ::write(fd, buffer.data() + written, piece - written);
            if (n <= 0) {
                return false;
            }
            written += static_cast<std::size_t>(n);
        }
        left -= piece;
    }
    return true;
}

} // namespace

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

void WriteWholeFile(const WideString& path, FileContent& content) {
    const std::string host = HostPath(path);
    struct stat info {};
    if (stat(host.c_str(), &info) == 0) {
        FileDescriptor existing(::open(host.c_str(), O_RDWR));
        if (!existing.Valid() || S_ISDIR(info.st_mode)) {
            Fail(path);
        }
    }
    std::string temp;
    FileDescriptor out(-1);
    for (int attempt = 0; attempt < 100 && !out.Valid(); ++attempt) {
        temp = host + ".~bp" + std::to_string(::getpid()) + "_" + std::to_string(attempt);
        out.Reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644));
    }
    if (!out.Valid()) {
        Fail(path);
    }
    const bool ok = WriteContent(out.Get(), content) && content.Verified() &&
                    ::fsync(out.Get()) == 0 && out.Close() &&
                    std::rename(temp.c_str(), host.c_str()) == 0;
    if (!ok) {
        out.Close();
        ::unlink(temp.c_str());
        Fail(path);
    }
}

} // namespace brisel::platform
