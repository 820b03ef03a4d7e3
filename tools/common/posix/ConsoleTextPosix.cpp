#include "common/ConsoleText.h"

#include <cstdio>

namespace brisel::tools {

void WriteOut(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

void WriteErr(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

bool OwnsConsoleWindow() {
    return false;
}

void WaitForKey() {}

} // namespace brisel::tools
