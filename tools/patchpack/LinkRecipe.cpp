#include "LinkRecipe.h"

#include "common/PackagePlan.h"
#include "common/ScriptSummary.h"

#include <sys/wait.h>
#include <unistd.h>

namespace brisel::tools {

LinkRecipe ReadLinkRecipe(const std::filesystem::path& file) {
    LinkRecipe recipe;
    std::string text = ReadFileBytes(file);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t space = line.find(' ');
        const std::string word = line.substr(0, space);
        const std::string arg = space == std::string::npos ? "" : line.substr(space + 1);
        if (word == "arch") {
            recipe.arch = arg;
        } else if (word == "windres") {
            recipe.windres.push_back(arg);
        } else if (word == "link") {
            recipe.link.push_back(arg);
        } else if (!line.empty()) {
            throw PackageError(file.string() + ": unknown line: " + line);
        }
    }
    if (recipe.arch.empty() || recipe.windres.empty() || recipe.link.empty()) {
        throw PackageError(file.string() + ": incomplete link recipe");
    }
    return recipe;
}

std::vector<std::string> Expand(const std::vector<std::string>& args, const std::string& rc,
                                const std::string& res, const std::string& out) {
    std::vector<std::string> expanded;
    for (std::string arg : args) {
        for (const auto& [token, value] :
             {std::pair<std::string, std::string>{"@RC@", rc}, {"@RES@", res}, {"@OUT@", out}}) {
            for (std::size_t at = arg.find(token); at != std::string::npos;
                 at = arg.find(token, at + value.size())) {
                arg.replace(at, token.size(), value);
            }
        }
        expanded.push_back(arg);
    }
    return expanded;
}

int RunCommand(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        return 127;
    }
    if (child == 0) {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) < 0) {
        return 127;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

} // namespace brisel::tools
