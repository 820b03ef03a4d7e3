// The environment behind the host substitute of platform/Environment.h.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace brisel::substitute {

struct EnvironmentStore {
    // Variables keyed by name with ASCII letters in upper case (names are
    // matched without regard to case).
    std::map<std::string, std::string> variables;
    bool failing = false; // every expansion fails
    int calls = 0;
    // Runs at the start of every expansion, after calls was counted.
    std::function<void(int call)> beforeExpand;

    void Set(const std::string& name, const std::string& value);
};

EnvironmentStore& Environment();
void ResetEnvironment();

} // namespace brisel::substitute
