// The machine's files as the package tools see them: the kind of a path
// without following a link at its end, the target of a link, a whole file,
// the names in a folder. PackageFolder builds its containment checks on
// these few operations, so nothing else in the tools opens a file by a path
// it has not verified; an in-memory stand-in (MemoryFiles) serves the tests
// and the fuzzer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brisel::tools {

enum class HostKind { Missing, File, Folder, Link, Other, NameTooLong };

struct HostEntry {
    HostKind kind = HostKind::Missing;
    std::uint64_t size = 0; // of a file
};

// A file or folder that exists but cannot be read (permissions, a device
// error): trouble of the machine, not a mistake in the package.
class HostIoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IHostFiles {
public:
    virtual ~IHostFiles() = default;

    // The kind of path itself: a link at its end is not followed.
    virtual HostEntry Look(const std::filesystem::path& path) = 0;
    // The target of the link at path as it is stored (relative targets are
    // relative to the link's folder); nullopt for a link this system's
    // tools do not follow.
    virtual std::optional<std::filesystem::path> LinkTarget(const std::filesystem::path& path) = 0;
    // Every byte of the file at path.
    virtual std::string ReadFile(const std::filesystem::path& path) = 0;
    // The names in the folder at path (UTF-8), without "." and "..".
    virtual std::vector<std::string> ListFolder(const std::filesystem::path& path) = 0;
    // path made absolute with every link in it resolved; nullopt when it
    // does not exist.
    virtual std::optional<std::filesystem::path> Canonical(const std::filesystem::path& path) = 0;
    // False where names that differ only in letter case are the same file.
    virtual bool CaseSensitive() const = 0;
};

// The files of the machine the tool runs on.
std::unique_ptr<IHostFiles> MakeHostFiles();

} // namespace brisel::tools
