// Reads a package folder and decides what an installer built from it
// carries: the script, the background and one payload per non-blank
// "%OutFiles" entry, numbered by the entry's position.
//
// Folder layout:
//   script.txt       the patch script (Shift-JIS), embedded as it is
//   background.bmp   a Windows bitmap file, or an empty file
//   files/<entry>    the payload of each non-blank "%OutFiles" entry; the
//                    entry is converted from code page 932 to UTF-8 and only
//                    then is each "\" read as "/".
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace brisel::tools {

struct PayloadItem {
    int number = 0;    // n of RESOURCE_FILE<n>
    std::string entry; // the "%OutFiles" entry, Shift-JIS
    std::filesystem::path source;
};

struct PackagePlan {
    std::filesystem::path script;
    std::filesystem::path background;
    std::vector<PayloadItem> payloads;
    std::vector<std::string> warnings; // UTF-8, for the author
};

// A package folder that cannot become an installer; the message names the
// file or entry at fault (UTF-8).
class PackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

PackagePlan PlanPackage(const std::filesystem::path& folder);

// Where the payload of entry lies inside the folder.
std::filesystem::path PayloadPath(const std::filesystem::path& folder, const std::string& entry);

// Copies the items into stageDir under plain ASCII names and writes
// stageDir/package.rc naming them as the installer's resources.
std::filesystem::path StagePackage(const PackagePlan& plan, const std::filesystem::path& stageDir);

} // namespace brisel::tools
