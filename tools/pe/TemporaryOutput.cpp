#include "TemporaryOutput.h"

#include "common/HostSystem.h"
#include "common/PackagePlan.h"

#include <cerrno>
#include <cstring>

namespace brisel::pe {

namespace fs = std::filesystem;
using tools::CreateNewFile;
using tools::PackageError;
using tools::RenameOnto;

TemporaryOutput::TemporaryOutput(const fs::path& target) : target_(target) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 1000 && file_ == nullptr; ++attempt) {
        temporary_ = folder / fs::u8path(target.filename().u8string() + ".partial" +
                                         std::to_string(attempt));
        file_ = CreateNewFile(temporary_);
        if (file_ == nullptr && errno != EEXIST) {
            break;
        }
    }
    if (file_ == nullptr) {
        throw PackageError(target.u8string() + ": cannot create a file in " + folder.u8string() +
                           ": " + std::strerror(errno));
    }
}

TemporaryOutput::~TemporaryOutput() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!committed_) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
    }
}

void TemporaryOutput::Fail(const char* what) const {
    throw PackageError(target_.u8string() + ": " + what + ": " + std::strerror(errno));
}

void TemporaryOutput::Write(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        Fail("cannot be written");
    }
}

void TemporaryOutput::WriteAt(std::uint64_t offset, std::string_view bytes) {
    if (offset > 0x7FFFFFFF || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
        Fail("cannot be written");
    }
    Write(bytes);
}

void TemporaryOutput::Flush() {
    if (std::fflush(file_) != 0) {
        Fail("cannot be written");
    }
}

void TemporaryOutput::Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (file != nullptr && std::fclose(file) != 0) {
        Fail("cannot be written");
    }
}

void TemporaryOutput::Commit() {
    Close();
    if (!RenameOnto(temporary_, target_)) {
        Fail("cannot be replaced");
    }
    committed_ = true;
}

} // namespace brisel::pe
