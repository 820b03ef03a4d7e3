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

// One resource of the installer: its type, its name and the file it holds.
struct PackageItem {
    std::string type;
    std::string name;
    std::filesystem::path source;
};

// The resources an installer built from the plan carries, in this order:
// TEXT RESOURCE_SCRIPT, BMP RESOURCE_BACKGROUND, BIN RESOURCE_FILE<n>.
std::vector<PackageItem> PackageItems(const PackagePlan& plan);

// Where the payload of entry lies inside the folder.
std::filesystem::path PayloadPath(const std::filesystem::path& folder, const std::string& entry);

} // namespace brisel::tools
