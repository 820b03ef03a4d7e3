// The patchpack command line, with arguments in UTF-8.
#pragma once

#include <string>
#include <vector>

namespace brisel::tools {

// Runs one command; returns the exit status: 0 done, 1 the package or a
// file is at fault (reported), 2 the command line is wrong.
int RunPatchpack(const std::vector<std::string>& args);

} // namespace brisel::tools
