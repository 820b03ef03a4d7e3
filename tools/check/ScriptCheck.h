// Checks of the patch script's bytes: how it is saved, and whether the keys
// the installer reads are there, spelled and laid out so that it finds them.
#pragma once

#include "Finding.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisel::tools {

// What the payload checks need from the script.
struct ScriptFacts {
    // False when the script is saved so that its entries cannot be trusted
    // (a byte-order mark, UTF-16, UTF-8): the checks of its content and its
    // payloads are then left for after it is saved again.
    bool readable = false;
    std::optional<std::vector<std::string>> outFiles;
    int outFilesLine = 0; // 1-based line of the "%OutFiles" key
};

ScriptFacts CheckScript(const std::string& bytes, std::vector<Finding>& findings);

} // namespace brisel::tools
