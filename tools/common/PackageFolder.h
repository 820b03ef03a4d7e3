// A package folder as the tools may read it: every path is resolved step by
// step, links included, and checked to lie inside the folder before anything
// is opened. Payloads must lie inside the folder's files/ folder, so a link
// there may point to another file in files/ but never to a file elsewhere.
#pragma once

#include "HostFiles.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace brisel::tools {

// Where names are looked up: in the package folder, or in its files/.
enum class Area { Package, Payloads };

enum class ItemKind {
    Missing,
    File,
    Folder,
    Other,       // a pipe, a device or the like
    NameTooLong, // the machine cannot hold such a name
    Outside,     // leads outside its area, or through a link that is not followed
};

struct Item {
    ItemKind kind = ItemKind::Missing;
    std::filesystem::path physical{}; // where it really is; set for File, Folder, Other
    std::uint64_t size = 0;           // of a file
    bool throughLink = false;         // a link was followed on the way
};

// The folder given to the tool is not an existing folder.
class PackageFolderMissing : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PackageFolder {
public:
    // folder: the package folder as the author named it; the host stays
    // owned by the caller and must outlive this object.
    PackageFolder(IHostFiles& host, const std::filesystem::path& folder);

    // The item that names (UTF-8 path components) lead to within area. A
    // name that is empty, "." or "..", or holds a separator, is never looked
    // up: such a path is Outside.
    Item Locate(Area area, const std::vector<std::string>& names) const;

    // The bytes of a File item that Locate gave.
    std::string Read(const Item& item) const;

    // The names in a Folder item that Locate gave.
    std::vector<std::string> List(const Item& folder) const;

    // Every file, link or other non-folder below files/, as names relative
    // to files/, sorted; links are listed, not followed.
    std::vector<std::vector<std::string>> PayloadTree() const;

    // True when the absolute, resolved path lies inside the package folder.
    bool Holds(const std::filesystem::path& physical) const;

    // The physical path inside files/ as "files/a/b" (for messages).
    std::string ShownInPayloads(const std::filesystem::path& physical) const;

    IHostFiles& Host() const { return host_; }
    const std::filesystem::path& Root() const { return root_; }

private:
    bool Within(const std::filesystem::path& path, const std::filesystem::path& base) const;

    IHostFiles& host_;
    std::filesystem::path root_; // resolved
    Item payloads_;              // files/ as Locate saw it
};

} // namespace brisel::tools
