// Host substitute of the game folder: the same walk as on Windows with the
// POSIX calls relative to a folder's descriptor (openat and renameat), a
// symbolic link standing for a Windows link; who made a link and which
// files are held come from FilesStore. A file without write permission
// stands for a read-only one, whoever runs the tests.
#include "platform/GameFolder.h"

#include "core/Exceptions.h"
#include "platform/substitute/FilesStore.h"
#include "platform/substitute/HostPath.h"
#include "platform/substitute/Utf.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <vector>

namespace brisel {

namespace substitute {

FilesStore& Files() {
    static FilesStore store;
    return store;
}

void ResetFiles() {
    Files() = FilesStore();
}

} // namespace substitute

namespace platform {

std::unique_ptr<FileReader> ReaderOfDescriptor(int fd); // FileReaderSubstitute.cpp

namespace {

using substitute::Files;
using substitute::Utf8;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_;
};

// The real path of an open folder.
std::string RealPath(int fd) {
    char path[PATH_MAX] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = ::readlink(link.c_str(), path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

bool IsInside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

bool IsTemporaryName(const std::string& name) {
    return name.size() == 23 && name.compare(0, 3, "~bp") == 0 &&
           name.compare(19, 4, ".tmp") == 0 && name.find_first_not_of("0123456789abcdef", 3) == 19;
}

void RemoveLeftTemporaryFiles(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* list = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(list)) {
            names.emplace_back(entry->d_name);
        }
        ::closedir(list);
    }
    for (const std::string& name : names) {
        struct stat info {};
        const std::string path = folder + "/" + name;
        if (IsTemporaryName(name) && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_nlink == 1) {
            ::unlink(path.c_str());
        }
    }
}

class HostGameFolder final : public GameFolder {
public:
    HostGameFolder(Descriptor root, std::string rootPath) : rootPath_(std::move(rootPath)) {
        RemoveLeftTemporaryFiles(rootPath_);
        folders_[{}] = {std::move(root), rootPath_};
    }

    EntryCheck Check(const EntryPath& entry) override {
        EntryCheck check;
        const Folder* folder = Reach(entry, check.problem);
        if (folder == nullptr) {
            return check;
        }
        struct stat info {};
        ::fstat(folder->fd.Get(), &info);
        check.volume = info.st_dev;
        volumes_[check.volume] = folder->fd.Get();
        const std::string name = Utf8(entry.back());
        if (::fstatat(folder->fd.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return check;
        }
        check.exists = true;
        check.size = static_cast<std::uint64_t>(info.st_size);
        const auto held = Files().held.find(folder->path + "/" + name);
        if (S_ISDIR(info.st_mode)) {
            check.problem = EntryProblem::NotAFile;
        } else if (held != Files().held.end()) {
            check.problem = EntryProblem::InUse;
            for (const std::string& program : held->second) {
                check.holders.push_back(substitute::FromUtf8(program));
            }
        } else if (!S_ISLNK(info.st_mode) && (info.st_mode & 0222) == 0) {
            check.problem = EntryProblem::Refused;
        }
        return check;
    }

    std::uint64_t FreeBytes(std::uint64_t volume) override {
        const auto found = volumes_.find(volume);
        struct statvfs info {};
        if (found == volumes_.end() || ::fstatvfs(found->second, &info) != 0) {
            return 0;
        }
        return std::uint64_t{info.f_bavail} * info.f_frsize;
    }

    std::unique_ptr<FileReader> OpenForReading(const EntryPath& entry) override {
        EntryProblem problem = EntryProblem::None;
        const Folder* folder = Reach(entry, problem);
        if (folder == nullptr) {
            return nullptr;
        }
        const int fd = ::openat(folder->fd.Get(), Utf8(entry.back()).c_str(),
                                O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        return fd < 0 ? nullptr : ReaderOfDescriptor(fd);
    }

    void Write(const EntryPath& entry, FileContent& content) override {
        EntryProblem problem = EntryProblem::None;
        const Folder* folder = Reach(entry, problem);
        if (folder == nullptr) {
            Fail(entry);
        }
        const int at = folder->fd.Get();
        const std::string name = Utf8(entry.back());
        std::string temp;
        Descriptor out;
        std::random_device random;
        for (int attempt = 0; attempt < 8 && !out.Valid(); ++attempt) {
            char digits[17];
            std::snprintf(digits, sizeof digits, "%08x%08x", random(), random());
            temp = std::string("~bp") + digits + ".tmp";
            out.Reset(::openat(at, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
        }
        if (!out.Valid()) {
            if (!content.MayWriteInPlace()) {
                Fail(entry);
            }
            WriteInPlace(at, name, entry, content);
            return;
        }
        const bool ok = WriteContent(out.Get(), content) && content.Verified() &&
                        ::fsync(out.Get()) == 0 && ::fchmod(out.Get(), 0644) == 0 &&
                        ::renameat(at, temp.c_str(), at, name.c_str()) == 0;
        if (!ok) {
            ::unlinkat(at, temp.c_str(), 0);
            Fail(entry);
        }
    }

private:
    struct Folder {
        Descriptor fd;
        std::string path; // its real path
    };

    [[noreturn]] static void Fail(const EntryPath& entry) {
        WideString path;
        for (const WideString& name : entry) {
            path += (path.empty() ? u"" : u"\\") + name;
        }
        throw EFileWriteError::CannotCreate(path);
    }

    const Folder* Reach(const EntryPath& entry, EntryProblem& problem) {
        EntryPath names;
        const Folder* parent = &folders_.at({});
        for (std::size_t i = 0; i + 1 < entry.size(); ++i) {
            names.push_back(entry[i]);
            const auto known = folders_.find(names);
            if (known != folders_.end()) {
                parent = &known->second;
                continue;
            }
            Folder folder;
            problem = OpenFolder(*parent, Utf8(entry[i]), folder);
            if (problem != EntryProblem::None) {
                return nullptr;
            }
            RemoveLeftTemporaryFiles(folder.path);
            parent = &(folders_[names] = std::move(folder));
        }
        return parent;
    }

    EntryProblem OpenFolder(const Folder& parent, const std::string& name, Folder& folder) const {
        struct stat info {};
        if (::fstatat(parent.fd.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return EntryProblem::FolderMissing;
        }
        Descriptor opened(::openat(parent.fd.Get(), name.c_str(), O_RDONLY | O_DIRECTORY));
        if (!opened.Valid()) {
            return EntryProblem::FolderMissing;
        }
        folder.path = RealPath(opened.Get());
        if (S_ISLNK(info.st_mode)) {
            const auto maker = Files().linkMakers.find(parent.path + "/" + name);
            if (!MayPassLink(maker == Files().linkMakers.end() ? LinkMaker::Unknown : maker->second,
                             IsInside(folder.path, rootPath_))) {
                return EntryProblem::LinkRefused;
            }
        }
        folder.fd = std::move(opened);
        return EntryProblem::None;
    }

    static bool WriteContent(int fd, FileContent& content) {
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

    static void WriteInPlace(int at, const std::string& name, const EntryPath& entry,
                             FileContent& content) {
        Descriptor file(::openat(at, name.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW, 0644));
        struct stat info {};
        if (!file.Valid() || ::fstat(file.Get(), &info) != 0 || info.st_nlink != 1 ||
            ::ftruncate(file.Get(), 0) != 0 || !WriteContent(file.Get(), content) ||
            !content.Verified() || ::fsync(file.Get()) != 0) {
            Fail(entry);
        }
    }

    std::string rootPath_;
    std::map<EntryPath, Folder> folders_;
    std::map<std::uint64_t, int> volumes_; // a folder's descriptor on each volume
};

} // namespace

std::unique_ptr<GameFolder> OpenGameFolder(const WideString& path) {
    Descriptor root(::open(substitute::HostPath(path).c_str(), O_RDONLY | O_DIRECTORY));
    if (!root.Valid()) {
        throw EFileWriteError::CannotCreate(path);
    }
    std::string rootPath = RealPath(root.Get());
    return std::make_unique<HostGameFolder>(std::move(root), std::move(rootPath));
}

} // namespace platform

} // namespace brisel
