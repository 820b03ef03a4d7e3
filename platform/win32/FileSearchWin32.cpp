// The existence test: a file search for the path as a pattern, so "*" and
// "?" in its last component act as wildcards; only the first match counts,
// and a directory is not a file. The match's dates play no part.
#include "platform/Files.h"

#include <windows.h>

namespace brisel::platform {

namespace {

// A file search, closed on every path out.
class FileSearch {
public:
    FileSearch(const std::string& pattern, WIN32_FIND_DATAA& firstMatch)
        : handle_(FindFirstFileA(pattern.c_str(), &firstMatch)) {}
    ~FileSearch() {
        if (Found()) {
            FindClose(handle_);
        }
    }
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

} // namespace

bool FileIsPresent(const std::string& pattern) {
    WIN32_FIND_DATAA match{};
    const FileSearch search(pattern, match);
    return search.Found() && (match.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace brisel::platform
