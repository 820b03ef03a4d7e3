#include "ScriptSummary.h"

#include "package/PatchTypeNumber.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace brisel::tools {

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error(path.u8string() + ": cannot be read");
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<std::string> AskValue(const TTinyCnf& reader, const std::string& key) {
    std::string value;
    if (!reader.GetValue(key, value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<std::string>> AskSection(const TTinyCnf& reader, const std::string& key) {
    TStringList entries;
    if (!reader.GetSection(key, entries)) {
        return std::nullopt;
    }
    return entries.Items();
}

ScriptSummary Summarize(const TTinyCnf& reader) {
    ScriptSummary summary;
    summary.caption = AskValue(reader, "*Caption");
    summary.gameTitle = AskValue(reader, "*GameTitle");
    summary.patchType = AskValue(reader, "*PatchType");
    summary.checkTargetFilename = AskValue(reader, "*CheckTargetFilename");
    summary.patchTypeValue = PatchTypeFromValue(summary.patchType);
    summary.linkPath = AskSection(reader, "%LinkPath");
    summary.outFiles = AskSection(reader, "%OutFiles");
    return summary;
}

} // namespace brisel::tools
