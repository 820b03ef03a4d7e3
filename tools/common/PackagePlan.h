// Decides what an installer built from a package folder carries: the
// script, the background and one payload per non-blank "%OutFiles" entry,
// numbered by the entry's position. It carries only files that lie inside
// the package folder (payloads inside its files/ folder), found through
// PackageFolder; what is missing or unsafe is left out, and the package
// check reports it.
//
// Folder layout:
//   script.txt       the patch script: Shift-JIS, embedded as it is, or
//                    UTF-8 or UTF-16, embedded converted to Shift-JIS
//   background.bmp   a Windows bitmap file, or an empty file; or instead
//   background.png   a PNG or JPEG picture (also .jpeg), carried converted
//   background.jpg   to a 24-bit Windows bitmap
//   files/<entry>    the payload of each non-blank "%OutFiles" entry; the
//                    entry is split at its single-byte "\" and "/" and each
//                    name converted from code page 932 to UTF-8.
#pragma once

#include "EntryName.h"
#include "PackageFolder.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brisel::tools {

struct PayloadItem {
    int number = 0;    // n of RESOURCE_FILE<n>
    std::string entry; // the "%OutFiles" entry, Shift-JIS
    std::filesystem::path source;
    std::uint64_t size = 0;
    std::string linkedTo; // "files/..." when reached through a link, else empty
};

struct PackagePlan {
    std::filesystem::path script;     // empty when the folder has no script file
    std::filesystem::path background; // empty when it has no background file
    std::string backgroundName;       // "background.bmp", "background.png" ...
    std::uint64_t scriptSize = 0;     // as the installer carries it
    std::uint64_t backgroundSize = 0;
    // The script converted to Shift-JIS, when the author saved it as UTF-8
    // or UTF-16; the script file itself is carried otherwise.
    std::optional<std::string> convertedScript;
    // The bitmap a PNG or JPEG background was converted to.
    std::optional<std::string> convertedBackground;
    std::vector<PayloadItem> payloads;
};

// A package that cannot be built; the message names the file.
class PackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An entry and where its payload is: item is absent when the entry's names
// would leave files/, so that nothing was looked up.
struct PayloadLookup {
    EntryName name;
    std::optional<Item> item;
};

PayloadLookup LookUpPayload(const PackageFolder& folder, const std::string& entry);

// The "%OutFiles" entries of the script's Shift-JIS bytes as the installer
// reads them, or nullopt when the section is absent.
std::optional<std::vector<std::string>> OutFilesOf(const std::string& scriptBytes);

PackagePlan PlanPackage(const PackageFolder& folder);

// One resource of the installer: its type, its name and the file it holds,
// or the bytes it holds instead of the file's.
struct PackageItem {
    std::string type;
    std::string name;
    std::filesystem::path source;
    std::optional<std::string> bytes;
};

// The resources an installer built from the plan carries, in this order:
// TEXT RESOURCE_SCRIPT, BMP RESOURCE_BACKGROUND (each when the folder has
// the file), BIN RESOURCE_FILE<n>.
std::vector<PackageItem> PackageItems(const PackagePlan& plan);

} // namespace brisel::tools
