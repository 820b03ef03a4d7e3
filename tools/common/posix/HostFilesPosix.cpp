// The machine's files on a POSIX system, through std::filesystem, which
// there reports links as links and reads their targets.
#include "common/HostFiles.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const fs::path& path, const std::error_code& error) {
    throw HostIoError(path.u8string() + ": " + error.message());
}

bool IsAbsence(const std::error_code& error) {
    return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory;
}

class PosixHostFiles : public IHostFiles {
public:
    HostEntry Look(const fs::path& path) override {
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (error == std::errc::filename_too_long) {
            return {HostKind::NameTooLong};
        }
        if (error && !IsAbsence(error)) {
            Fail(path, error);
        }
        switch (status.type()) {
        case fs::file_type::regular: {
            const std::uintmax_t size = fs::file_size(path, error);
            if (error) {
                Fail(path, error);
            }
            return {HostKind::File, size};
        }
        case fs::file_type::directory:
            return {HostKind::Folder};
        case fs::file_type::symlink:
            return {HostKind::Link};
        case fs::file_type::not_found:
        case fs::file_type::none:
            return {HostKind::Missing};
        default:
            return {HostKind::Other};
        }
    }

    std::optional<fs::path> LinkTarget(const fs::path& path) override {
        std::error_code error;
        fs::path target = fs::read_symlink(path, error);
        if (error) {
            Fail(path, error);
        }
        return target;
    }

    std::string ReadFile(const fs::path& path) override {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            throw HostIoError(path.u8string() + ": cannot be read");
        }
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (in.bad()) {
            throw HostIoError(path.u8string() + ": cannot be read");
        }
        return bytes;
    }

    std::vector<std::string> ListFolder(const fs::path& path) override {
        std::error_code error;
        std::vector<std::string> names;
        for (fs::directory_iterator it(path, error), end; !error && it != end;
             it.increment(error)) {
            names.push_back(it->path().filename().u8string());
        }
        if (error) {
            Fail(path, error);
        }
        return names;
    }

    std::optional<fs::path> Canonical(const fs::path& path) override {
        std::error_code error;
        fs::path canonical = fs::canonical(path, error);
        if (IsAbsence(error)) {
            return std::nullopt;
        }
        if (error) {
            Fail(path, error);
        }
        return canonical;
    }

    bool CaseSensitive() const override { return true; }
};

} // namespace

std::unique_ptr<IHostFiles> MakeHostFiles() {
    return std::make_unique<PosixHostFiles>();
}

} // namespace brisel::tools
