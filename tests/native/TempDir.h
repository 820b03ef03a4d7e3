// A temporary directory for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace brisel::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Writes bytes to the file at the relative path, creating its folders.
    std::filesystem::path Write(const std::string& relative, const std::string& bytes) const;
    std::string Read(const std::string& relative) const;

private:
    std::filesystem::path path_;
};

// The bytes of a file of the source tree, such as a picture the tests read.
std::string ReadSourceFile(const std::string& relative);

} // namespace brisel::test
