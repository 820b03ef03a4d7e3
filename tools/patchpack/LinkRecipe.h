// The commands that turn a staged package into an installer, as the cross
// build wrote them: one line per argument, "arch NAME", "windres ARG" or
// "link ARG", with @RC@, @RES@ and @OUT@ standing for the files of one run.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace brisel::tools {

struct LinkRecipe {
    std::string arch;
    std::vector<std::string> windres;
    std::vector<std::string> link;
};

LinkRecipe ReadLinkRecipe(const std::filesystem::path& file);

// The arguments with every placeholder replaced.
std::vector<std::string> Expand(const std::vector<std::string>& args, const std::string& rc,
                                const std::string& res, const std::string& out);

// Runs a command without a shell; its output goes to stderr. Returns the
// exit status (non-zero also when it could not be started).
int RunCommand(const std::vector<std::string>& args);

} // namespace brisel::tools
