// An output file that appears only when it is complete: the bytes go to a
// new file beside the target, which Commit moves onto the target in one
// step. Until then the target is untouched; an output that is destroyed
// without Commit (an error, an exception) removes its temporary file.
// Closed without Commit it serves as a scratch file beside the target.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace brisel::pe {

class TemporaryOutput {
public:
    explicit TemporaryOutput(const std::filesystem::path& target);
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    void Write(std::string_view bytes);
    // Overwrites bytes already written, at an offset within the first 2 GiB.
    void WriteAt(std::uint64_t offset, std::string_view bytes);
    // Hands what was written to the file, so that it can be read meanwhile.
    void Flush();
    void Commit();
    // Closes the file but keeps it, under its temporary name, until the
    // output is destroyed: for scratch data that is read back.
    void Close();

    const std::filesystem::path& TemporaryPath() const { return temporary_; }

private:
    [[noreturn]] void Fail(const char* what) const;

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

} // namespace brisel::pe
