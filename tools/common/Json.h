// A small JSON writer for the host tools' machine-readable output.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel::tools {

// A JSON string literal of UTF-8 text.
std::string JsonString(std::string_view utf8);

// A JSON string of Shift-JIS bytes, or null.
std::string JsonCp932(const std::optional<std::string>& bytes);

// A JSON array of Shift-JIS strings, or null.
std::string JsonCp932Array(const std::optional<std::vector<std::string>>& items);

} // namespace brisel::tools
