// Writes an installer: a copy of the stub with the package's resources and
// the author's icon and version texts added, as one new file.
#pragma once

#include "common/PackagePlan.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace brisel::tools {

// The largest installer image written: 1.5 GiB. A 32-bit process maps the
// whole image into one free range of its 2 GiB address space, below the
// system's DLLs, and then still needs room for the DLLs it loads (the shell,
// the common controls, the input method), its heaps and stacks. The 32-bit
// Wine loads and runs images of up to about 1.9 GiB; Windows places its
// DLLs lower, so the limit keeps a margin of some 250 MiB there.
constexpr std::uint64_t kLargestInstaller = std::uint64_t{3} << 29;

struct BuildOptions {
    std::filesystem::path package;
    std::filesystem::path out;
    std::string arch = "i686";
    std::filesystem::path stub; // empty: stubs/stub-<arch>.exe beside the tool
    std::optional<std::filesystem::path> icon;
    std::optional<std::string> productVersion; // texts in UTF-8
    std::optional<std::string> fileDescription;
    std::optional<std::string> productName;
};

// The stub patchpack uses for arch when none is named.
std::filesystem::path DefaultStub(const std::string& arch);

// A package whose installer would be larger than kLargestInstaller.
class InstallerTooLarge : public PackageError {
public:
    explicit InstallerTooLarge(std::uint64_t size)
        : PackageError("the installer would be too large"), size_(size) {}
    std::uint64_t Size() const { return size_; }

private:
    std::uint64_t size_;
};

// Writes the installer. Throws InstallerTooLarge before anything is
// written, and PackageError when the stub, the icon or a file is at fault.
void BuildInstaller(const BuildOptions& options, const PackagePlan& plan);

} // namespace brisel::tools
