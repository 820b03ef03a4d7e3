// What the installer reads from a patch script, gathered for the host tools
// with the installer's own reader.
#pragma once

#include "package/Ttinycnf.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace brisel::tools {

struct ScriptSummary {
    std::optional<std::string> caption;
    std::optional<std::string> gameTitle;
    std::optional<std::string> patchType;
    std::optional<std::string> checkTargetFilename;
    std::int32_t patchTypeValue = 0;
    std::optional<std::vector<std::string>> linkPath;
    std::optional<std::vector<std::string>> outFiles;
};

// Reads the file's bytes; throws std::runtime_error naming the file when it
// cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// Asks the reader for every key the installer asks for, in its order.
ScriptSummary Summarize(const TTinyCnf& reader);

std::optional<std::string> AskValue(const TTinyCnf& reader, const std::string& key);
std::optional<std::vector<std::string>> AskSection(const TTinyCnf& reader, const std::string& key);

} // namespace brisel::tools
