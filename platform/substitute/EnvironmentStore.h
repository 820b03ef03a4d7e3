// The environment behind the host substitute of platform/Environment.h.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace brisel::substitute {

struct EnvironmentStore {
    // Variables keyed by name with ASCII letters in upper case (names are
    // matched without regard to case).
    std::map<std::string, std::string> variables;
    bool failing = false; // every expansion returns 0
    // Counts the size needed in characters, a double-byte character as one,
    // and when the bytes do not fit writes as many as fit, unterminated, as
    // the ANSI expansion of some systems does.
    bool countsCharacters = false;
    int calls = 0;
    std::vector<std::uint32_t> sizesPassed;
    // Runs at the start of every expansion, after calls was counted.
    std::function<void(int call)> beforeExpand;

    void Set(const std::string& name, const std::string& value);
};

EnvironmentStore& Environment();
void ResetEnvironment();

} // namespace brisel::substitute
