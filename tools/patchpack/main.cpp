// patchpack: builds patch installers from package folders (see Command.h).
// On Windows the arguments arrive as UTF-16 and are passed on as UTF-8, so
// that folder and file names in any language reach the tool unchanged.
#include "Command.h"
#include "common/HostSystem.h"

#include <string>
#include <vector>

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(brisel::tools::WideToUtf8(argv[i]));
    }
    return brisel::tools::RunPatchpack(args);
}
#else
int main(int argc, char** argv) {
    return brisel::tools::RunPatchpack(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
